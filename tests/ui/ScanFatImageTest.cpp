// The scan of a FAT file system made by mkfs.fat and filled by mcopy, as a
// stand-in file and, as root, through a loop device: the sectors listed are the
// ones od and awk find not uniform.
#include "tests/ui/MainWindowFixture.h"

#include "device/DriveEntry.h"
#include "platform/kernel/LinuxMachine.h"
#include "tests/kernel/TempFolder.h"
#include "tests/support/LoopDevice.h"
#include "ui/SectorListLookup.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

namespace {

class ScanFatImageTest : public MainWindowTest {
protected:
    void SetUp() override {
        if (!RunCommand("command -v mkfs.fat >/dev/null && command -v mcopy"))
            GTEST_SKIP() << "mkfs.fat and mcopy (dosfstools, mtools) are not installed";
        folder = temp.Path();
        std::filesystem::create_directories(folder / "root");
        image = (folder / "fat.img").string();
        ASSERT_TRUE(RunCommand("mkfs.fat -C -n KOLM " + image + " 8192"));
        std::mt19937 random(7);
        std::ofstream filler(folder / "filler.bin", std::ios::binary);
        for (int i = 0; i < 300000; ++i)
            filler.put(static_cast<char>(random() & 0xFF));
        filler.close();
        std::ofstream(folder / "note.txt") << "A short note, far less than a sector.\n";
        for (const char* name : {"filler.bin", "note.txt"})
            ASSERT_TRUE(RunCommand("mcopy -i " + image + " " + (folder / name).string() + " ::/"));
    }

    void TearDown() override {
        MainWindowTest::TearDown();
        kernel::InstallMachine(&machine);
    }

    // Offsets of the sectors whose bytes are not all equal, by od and awk.
    std::vector<LONGLONG> NonUniformSectors() const {
        const std::string listed =
            RunCommand("od -An -v -tx1 -w512 " + image +
                       " | awk '{for (i = 2; i <= NF; i++) if ($i != $1) {print (NR - 1) * 512; "
                       "break}}'")
                .value_or("");
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

    TempFolder temp;
    std::filesystem::path folder;
    std::string image;
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

    std::string why;
    const auto loop = LoopDevice::Attach(image, 512, why);
    if (!loop)
        GTEST_SKIP() << why;
    kernel::LinuxMachine disks("/");
    const auto paths = disks.PhysicalDrivePaths();
    const auto ours = std::find(paths.begin(), paths.end(), loop->Path());
    ASSERT_NE(ours, paths.end()) << loop->Path() << " is not among the machine's disks";
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
