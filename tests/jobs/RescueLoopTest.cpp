// Rescues checked against GNU ddrescue on a real disk with bad sectors: a loop
// device over a file of the test's FUSE file system, which fails the reads that
// cover chosen sectors. The loop device is the test's own and only read; only the
// test's files are written. Needs root, FUSE and ddrescue; skips saying which is
// missing. A stop and a resume run on the simulated machine.
#include "jobs/RescueMap.h"
#include "platform/text/Cp932.h"
#include "tests/jobs/JobHarness.h"
#include "tests/kernel/TempFolder.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/LoopDevice.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr LONGLONG kSector = 512;
constexpr LONGLONG kSectors = 32 * 1024; // 16 MiB, 32 chunks

struct BadRun {
    LONGLONG first;
    LONGLONG count;
};
// The first and the last sector, single sectors, a run across a chunk boundary
// and a dead region of eight chunks.
const BadRun kBadRuns[] = {{0, 1},     {2046, 4},         {5000, 1},
                           {12345, 1}, {16384, 8 * 1024}, {kSectors - 1, 1}};

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

// The bad sectors of a map, one number a line, as ddrescuelog lists them.
std::string BadSectorsOf(const std::string& map) {
    return RunCommand("ddrescuelog -b512 --list-blocks=- " + Quoted(map)).value_or("(refused)");
}

// The area lines of a map, without its comments and position line.
std::string AreasOf(const std::string& map) {
    RescueMap read;
    return LoadMap(map.c_str(), read) == MapLoad::Loaded ? MapText(RescueMap{read.areas}).str()
                                                         : "(unreadable)";
}

bool SameFiles(const std::string& a, const std::string& b) {
    return RunCommand("cmp " + Quoted(a) + " " + Quoted(b)).has_value();
}

// The rescued image's checksum file, which the read-back after the rescue made,
// as sha256sum -c takes it in the image's folder.
bool Sha256sumAccepts(const std::string& folder, const std::string& name) {
    return RunCommand("cd " + Quoted(folder) + " && sha256sum --strict --quiet -c " +
                      Quoted(name + ".sha256"))
        .has_value();
}

class RescueLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!RunCommand("ddrescue --version"))
            GTEST_SKIP() << "ddrescue is not installed (Debian package gddrescue)";
        std::string why;
        faults = FaultyFileSystem::Mount(folder / "store", folder / "mnt", why);
        if (!faults)
            GTEST_SKIP() << why;
        std::vector<char> contents = Pattern(kSectors * kSector, 7);
        std::fill(contents.begin() + 20000 * kSector, contents.begin() + 24000 * kSector, 0);
        WriteBytes(folder / "store/disk.img", contents);
        for (const BadRun& run : kBadRuns) {
            std::fill_n(contents.begin() + run.first * kSector, run.count * kSector, 0);
            for (LONGLONG sector = run.first; sector < run.first + run.count; ++sector)
                faults->FailReads("disk.img", sector * kSector);
        }
        WriteBytes(expected, contents);
        loop = LoopDevice::Attach(folder / "mnt/disk.img", kSector, why);
        if (!loop)
            GTEST_SKIP() << why;
        ASSERT_TRUE(device.OpenDevicePath(loop->Path().c_str()));
    }

    void Run(int (DiskDevice::*start)(const JobParams&), const std::string& image = "") {
        ASSERT_EQ((device.*start)(WholeDevice(device, image)), 1);
        ASSERT_TRUE(backend.RunUntil([this] { return !device.IsWorkerRunning(); }));
    }

    // ddrescue on the loop device; its image and map are the test's files.
    void Ddrescue(const std::string& options, const std::string& image) {
        ASSERT_TRUE(RunCommand("ddrescue -q -d -b512 " + options + " " + Quoted(loop->Path()) +
                               " " + Quoted(image) + " " + Quoted(image + ".map")));
    }

    std::string ExpectedBadSectors() const {
        std::string list;
        for (const BadRun& run : kBadRuns)
            for (LONGLONG sector = run.first; sector < run.first + run.count; ++sector)
                list += std::to_string(sector) + "\n";
        return list;
    }

    framework::HeadlessBackend backend;
    TempFolder folder;
    const std::string expected = folder / "expected.img";
    std::unique_ptr<FaultyFileSystem> faults;
    std::unique_ptr<LoopDevice> loop;
    DiskDevice device;
};

// "Yes" after the "Error" box: the image is the drive with zeros at exactly the
// sectors that cannot be read, its map lists the sectors ddrescue finds bad, and
// ddrescue given that map has nothing left to do.
TEST_F(RescueLoopTest, AnImageRescuedAsDdrescueRescuesIt) {
    const std::string image = folder / "kolm.img";
    backend.boxAnswers = {IDOK, IDYES, IDOK};
    Run(&DiskDevice::StartImageCreate, image);
    ASSERT_EQ(backend.boxes.size(), 3u);
    EXPECT_EQ(backend.boxes[1].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(backend.boxes[2].type, MB_ICONINFORMATION);
    const LONGLONG bad = 8 * 1024 + 8;
    const std::string report = "LBA  0  -  32767  \r\n" + std::to_string((kSectors - bad) * 512) +
                               " bytes 救出  \r\n" + std::to_string(bad * 512) +
                               " bytes 読み取り不可  \r\n不良領域  6  \r\n\r\n終了 ";
    EXPECT_EQ(backend.boxes[2].text, Jp(report).c_str());
    EXPECT_EQ(device.GetPosition(), (kSectors - 1) * kSector);
    EXPECT_TRUE(SameFiles(image, expected));
    EXPECT_TRUE(Sha256sumAccepts(folder.Path(), "kolm.img"));
    EXPECT_EQ(BadSectorsOf(image + ".map"), ExpectedBadSectors());

    const std::string theirs = folder / "ddrescue.img";
    Ddrescue("-r0", theirs);
    EXPECT_EQ(BadSectorsOf(theirs + ".map"), BadSectorsOf(image + ".map"));

    const std::string areas = AreasOf(image + ".map");
    Ddrescue("-r0", image);
    EXPECT_EQ(AreasOf(image + ".map"), areas);
    EXPECT_TRUE(SameFiles(image, expected));
}

// A map ddrescue left without scraping is finished by a resumed creation, which
// reads only what the map leaves.
TEST_F(RescueLoopTest, AResumeFinishesWhatDdrescueLeft) {
    const std::string image = folder / "partial.img";
    Ddrescue("-n", image);
    ASSERT_NE(AreasOf(image + ".map").find(" /\n"), std::string::npos);
    device.SetImageResume(TRUE);
    Run(&DiskDevice::StartImageCreate, image);
    ASSERT_EQ(backend.boxes.size(), 1u);
    EXPECT_EQ(backend.boxes[0].type, MB_ICONINFORMATION);
    EXPECT_TRUE(SameFiles(image, expected));
    EXPECT_TRUE(Sha256sumAccepts(folder.Path(), "partial.img"));
    EXPECT_EQ(BadSectorsOf(image + ".map"), ExpectedBadSectors());
}

// A read test that goes on reads the rest, writes no file and reports what it read.
TEST_F(RescueLoopTest, AReadTestThatGoesOnReportsWhatItRead) {
    backend.boxAnswers = {IDOK, IDYES, IDOK};
    Run(&DiskDevice::StartReadTest);
    ASSERT_EQ(backend.boxes.size(), 3u);
    const LONGLONG bad = 8 * 1024 + 8;
    EXPECT_NE(backend.boxes[2].text.str().find(
                  Jp(std::to_string((kSectors - bad) * 512) + " bytes 読み取り  \r\n")),
              std::string::npos);
    EXPECT_EQ(device.GetPosition(), (kSectors - 1) * kSector);
}

// A rescue stopped half-way and resumed ends with the image and the map of one
// that ran straight through.
class RescueResumeTest : public JobTest {
protected:
    void Rescue(const std::string& image, int answers) {
        backend.boxes.clear();
        backend.boxAnswers.assign(answers, IDYES);
        ASSERT_EQ(device.StartImageCreate(WholeDevice(device, image)), 1);
        WaitForJobEnd();
    }
    TempFolder folder;
};

TEST_F(RescueResumeTest, AStoppedRescueResumedEndsAsOneRunStraightThrough) {
    SimulatedDisk& disk = OpenDisk(8 << 20);
    const std::vector<char> contents = Pattern(8 << 20, 9);
    disk.Fill(0, contents.data(), contents.size());
    for (ULONGLONG bad : {1000ULL, 1001ULL, 3000ULL, 9000ULL})
        disk.FailRead(bad * kSector);
    const std::string straight = folder / "straight.img", resumed = folder / "resumed.img";
    Rescue(straight, 3);

    bool stopped = false;
    disk.BeforeReadAt(4 << 20, [this, &stopped] {
        if (!std::exchange(stopped, true))
            PostThreadMessageA(device.GetWorkerThreadId(), WM_JOB_ABORT, 0, 0);
    });
    Rescue(resumed, 2);
    ASSERT_TRUE(stopped);
    EXPECT_EQ(backend.boxes.size(), 2u); // no report after a stop
    EXPECT_NE(AreasOf(resumed + ".map").find(" ?\n"), std::string::npos);

    device.SetImageResume(TRUE);
    Rescue(resumed, 1);
    device.SetImageResume(FALSE);
    EXPECT_EQ(backend.boxes.size(), 1u);
    EXPECT_TRUE(SameFiles(straight, resumed));
    EXPECT_EQ(AreasOf(straight + ".map"), AreasOf(resumed + ".map"));
}

} // namespace
