// The scan of a FAT file system made by mkfs.fat and filled by mcopy, as a
// stand-in file and, as root, through a loop device: the sectors listed are the
// ones od and awk find not uniform.
#include "tests/ui/MainWindowFixture.h"

#include "device/DriveEntry.h"
#include "platform/kernel/LinuxMachine.h"
#include "ui/SectorListLookup.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace {

std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char block[4096];
        std::size_t got;
        while ((got = std::fread(block, 1, sizeof block, pipe)) > 0)
            text.append(block, got);
        pclose(pipe);
    }
    return text;
}

bool Shell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

class ScanFatImageTest : public MainWindowTest {
protected:
    void SetUp() override {
        if (!Shell("command -v mkfs.fat >/dev/null && command -v mcopy >/dev/null"))
            GTEST_SKIP() << "mkfs.fat and mcopy (dosfstools, mtools) are not installed";
        folder = std::filesystem::temp_directory_path() /
                 ("kolm-scan-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                  "-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        std::filesystem::create_directories(folder / "root");
        image = (folder / "fat.img").string();
        ASSERT_TRUE(Shell("mkfs.fat -C -n KOLM " + image + " 8192 >/dev/null"));
        std::mt19937 random(7);
        std::ofstream filler(folder / "filler.bin", std::ios::binary);
        for (int i = 0; i < 300000; ++i)
            filler.put(static_cast<char>(random() & 0xFF));
        filler.close();
        std::ofstream(folder / "note.txt") << "A short note, far less than a sector.\n";
        for (const char* name : {"filler.bin", "note.txt"})
            ASSERT_TRUE(Shell("mcopy -i " + image + " " + (folder / name).string() + " ::/"));
    }

    void TearDown() override {
        if (!loop.empty())
            Shell("losetup -d " + loop);
        MainWindowTest::TearDown();
        kernel::InstallMachine(&machine);
        std::filesystem::remove_all(folder);
    }

    // Offsets of the sectors whose bytes are not all equal, by od and awk.
    std::vector<LONGLONG> NonUniformSectors() const {
        const std::string listed = Output(
            "od -An -v -tx1 -w512 " + image +
            " | awk '{for (i = 2; i <= NF; i++) if ($i != $1) {print (NR - 1) * 512; break}}'");
        std::vector<LONGLONG> offsets;
        for (std::size_t at = 0, end; (end = listed.find('\n', at)) != std::string::npos;
             at = end + 1)
            offsets.push_back(std::stoll(listed.substr(at, end - at)));
        return offsets;
    }

    std::vector<LONGLONG> ScanEntry(int entry) {
        Lock(entry);
        backend.OpenMenu({0});
        EXPECT_TRUE(backend.ChooseCommand(ID_DRIVE_SCAN));
        FinishJob();
        std::vector<LONGLONG> offsets;
        for (const CString& line : backend.Items(IDC_SECTOR_LIST))
            offsets.push_back(ListLineOffset(line));
        return offsets;
    }

    std::filesystem::path folder;
    std::string image;
    std::string loop;
};

TEST_F(ScanFatImageTest, ListsTheSectorsThatOdFindsNotUniform) {
    const std::vector<LONGLONG> expected = NonUniformSectors();
    ASSERT_GT(expected.size(), 500u);
    ASSERT_LT(expected.size(), 2561u) << "the whole image fits in the list";

    kernel::LinuxMachine standIns((folder / "root").string());
    standIns.AttachStandIn(image);
    kernel::InstallMachine(&standIns);
    Start();
    EXPECT_EQ(ScanEntry(0), expected);
    EXPECT_TRUE(backend.boxes.empty());
    backend.Close(*dialog);
    dialog.reset();
    kernel::InstallMachine(&machine);

    if (Output("id -u") != "0\n")
        GTEST_SKIP() << "attaching a loop device needs root";
    loop = Output("losetup -f --show " + image + " 2>/dev/null");
    if (loop.empty())
        GTEST_SKIP() << "no loop device could be attached here";
    loop.pop_back();
    kernel::LinuxMachine disks("/");
    const auto paths = disks.PhysicalDrivePaths();
    const auto ours = std::find(paths.begin(), paths.end(), loop);
    ASSERT_NE(ours, paths.end()) << loop << " is not among the machine's disks";
    kernel::InstallMachine(&disks);
    Start();
    const auto entries = backend.Items(IDC_DRIVE_LIST);
    const auto entry = std::find_if(entries.begin(), entries.end(), [&](const CString& line) {
        return !IsUnmappedDriveEntry(line) && DriveEntryDiskNumber(line) == ours - paths.begin();
    });
    ASSERT_NE(entry, entries.end());
    EXPECT_EQ(ScanEntry(static_cast<int>(entry - entries.begin())), expected);
    backend.Close(*dialog);
    dialog.reset();
}

} // namespace
