#include "tests/ui/MainWindowFixture.h"

#include "platform/kernel/LinuxMachine.h"
#include "view/ControlSets.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace {

TEST_F(MainWindowTest, LockShowsTheDriveInTitleAndGeometryAndUnlockKeepsIt) {
    SimulatedDisk& disk = machine.AddDisk(10485760);
    disk.SetGeometry(16, 32); // 40 cylinders multiply out to the capacity
    machine.AddLetter('C', disk);
    Start();
    Lock();

    EXPECT_EQ(Title(), "Kolm - PhysicalDrive0 / Fixed / HDD / 10MB");
    EXPECT_EQ(Text(IDC_CYLINDERS), "40");
    EXPECT_EQ(Text(IDC_HEADS), "16");
    EXPECT_EQ(Text(IDC_SECTORS_PER_TRACK), "32");
    EXPECT_EQ(Text(IDC_BYTES_PER_SECTOR), "512");
    EXPECT_EQ(Text(IDC_GEOMETRY_GROUP), "Disk Geometry");
    EXPECT_EQ(Text(IDC_LAST_LBA), "20479");
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "0");
    EXPECT_EQ(Text(IDC_POSITION), "  0.0000%");
    EXPECT_EQ(Text(IDC_HEX_VIEW).Left(60),
              " 0000000000  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(Text(IDC_LOCK), "Unlock");
    EXPECT_FALSE(backend.Enabled(IDC_DRIVE_LIST));
    EXPECT_TRUE(backend.Enabled(IDC_SEARCH));
    EXPECT_TRUE(backend.Enabled(IDC_JUMP));
    EXPECT_FALSE(backend.Enabled(IDC_CREATE_IMAGE)) << "a fixed disk is not imaged";
    EXPECT_TRUE(disk.Claimed());

    backend.Click(IDC_LOCK);
    EXPECT_FALSE(disk.Claimed());
    EXPECT_EQ(Text(IDC_LOCK), "Lock");
    EXPECT_TRUE(backend.Enabled(IDC_DRIVE_LIST));
    EXPECT_EQ(backend.FocusId(), IDC_DRIVE_LIST);
    for (int id : kClosedSet)
        EXPECT_FALSE(backend.Enabled(id)) << id;
    EXPECT_TRUE(backend.Enabled(IDC_SECTOR_LIST));
    EXPECT_EQ(Title(), "Kolm - PhysicalDrive0 / Fixed / HDD / 10MB");
    EXPECT_EQ(Text(IDC_CYLINDERS), "40");
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "0");
}

struct TitleCase {
    ULONGLONG size;
    UINT driveType;
    const char* title;
};

class DriveTitle : public MainWindowTest, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(DriveTitle, NamesTypeAndCapacity) {
    SimulatedDisk& disk = machine.AddDisk(GetParam().size);
    disk.SetDriveType(GetParam().driveType);
    machine.AddLetter('C', disk);
    Start();
    Lock();
    EXPECT_EQ(Title(), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, DriveTitle,
    ::testing::Values(
        TitleCase{10485759, DRIVE_FIXED, "Kolm - PhysicalDrive0 / Fixed / HDD / 10239KB"},
        TitleCase{10485760, DRIVE_REMOVABLE, "Kolm - PhysicalDrive0 / Removable / 10MB"},
        TitleCase{700 << 20, DRIVE_CDROM, "Kolm - PhysicalDrive0 / Removable / CD / 700MB"},
        TitleCase{1ull << 40, DRIVE_UNKNOWN, "Kolm - PhysicalDrive0 / 1048576MB"}));

TEST_F(MainWindowTest, GeometryCaptionTellsWhetherTheFiguresMultiplyOutToTheCapacity) {
    machine.AddLetter('C', machine.AddDisk(8225280)); // one cylinder of 255 x 63 sectors
    machine.AddLetter('D', machine.AddDisk(10485760));
    Start();

    Lock(0);
    EXPECT_EQ(Text(IDC_GEOMETRY_GROUP), "Disk Geometry");
    EXPECT_EQ(Title(), "Kolm - PhysicalDrive0 / Fixed / HDD / 8032KB");
    backend.Click(IDC_LOCK);
    Lock(1);
    EXPECT_EQ(Text(IDC_GEOMETRY_GROUP), "/* Disk Geometry */");
}

TEST_F(MainWindowTest, ADeviceOfCapacityZeroHasLastLbaMinusOne) {
    StartOnDisk(0);
    Lock();
    EXPECT_EQ(Text(IDC_LAST_LBA), "-1");
}

TEST_F(MainWindowTest, AVolumeOnNoDiskOpensByItsLetter) {
    SimulatedDisk& floppy = machine.AddMedium(1474560);
    floppy.SetDriveType(DRIVE_REMOVABLE);
    machine.AddLetter('A', floppy);
    machine.NoExtents('A');
    Start();
    Lock();
    EXPECT_EQ(Title(), "Kolm - Drive (A:) / Removable / 1440KB");
    EXPECT_EQ(Text(IDC_CYLINDERS), "80");
    EXPECT_EQ(Text(IDC_LAST_LBA), "2879");
    EXPECT_TRUE(backend.Enabled(IDC_CREATE_IMAGE));
    EXPECT_TRUE(backend.Enabled(IDC_RESTORE_IMAGE));
}

TEST_F(MainWindowTest, DiskNumbersOfTenAndMoreAreReadWhole) {
    for (int number = 0; number < 12; ++number)
        machine.AddDisk(static_cast<ULONGLONG>(number + 1) << 20);
    machine.AddLetter('C', machine.Disk(11));
    Start();
    ASSERT_EQ(backend.Items(IDC_DRIVE_LIST), (std::vector<CString>{" 11 - (C:)"}));
    Lock();
    EXPECT_EQ(Title(), "Kolm - PhysicalDrive11 / Fixed / HDD / 12MB");
    EXPECT_TRUE(machine.Disk(11).Claimed());
}

TEST_F(MainWindowTest, AFailedOpenEmptiesTheTextsAndLeavesNoDeviceOpen) {
    SimulatedDisk& good = machine.AddDisk(10485760);
    machine.AddLetter('C', good);
    SimulatedDisk& bad = machine.AddDisk(10485760);
    machine.AddLetter('D', bad);
    bad.RefuseGeometry();
    Start();
    Lock(0);
    dialog->SectorList().AddString(" 0000000000 data");
    dialog->SetViewMode(1);
    backend.Click(IDC_LOCK);

    Lock(1);
    EXPECT_EQ(Errors().size(), 1u);
    for (int id : {IDC_CYLINDERS, IDC_MEDIA_TYPE, IDC_HEADS, IDC_SECTORS_PER_TRACK,
                   IDC_BYTES_PER_SECTOR, IDC_HEX_VIEW, IDC_TEXT_PANE})
        EXPECT_EQ(Text(id), "") << id;
    EXPECT_TRUE(backend.Items(IDC_SECTOR_LIST).empty());
    EXPECT_TRUE(backend.Visible(IDC_HEX_VIEW));
    EXPECT_EQ(Text(IDC_LOCK), "Lock");
    EXPECT_TRUE(backend.Enabled(IDC_DRIVE_LIST));
    EXPECT_FALSE(backend.Enabled(IDC_JUMP));
    EXPECT_EQ(Title(), "Kolm - PhysicalDrive0 / Fixed / HDD / 10MB");
    EXPECT_FALSE(dialog->Device().IsLocked());

    bad.ClearFaults();
    Lock(1);
    EXPECT_EQ(Title(), "Kolm - PhysicalDrive1 / Fixed / HDD / 10MB");
}

TEST_F(MainWindowTest, LockWithoutAChosenDriveDoesNothing) {
    SimulatedDisk& disk = StartOnDisk(1 << 20);
    backend.Click(IDC_LOCK);
    EXPECT_EQ(Text(IDC_LOCK), "Lock");
    EXPECT_EQ(disk.OpenCount(), 0);
    EXPECT_EQ(Text(IDC_CYLINDERS), "---");
}

// A real file stands in for the disk; the dump is checked against od.
TEST_F(MainWindowTest, AStandInFileShowsTheBytesOdShows) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("kolm-ui-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder / "root");
    const std::string image = (folder / "disk.img").string();
    {
        std::mt19937 random(7);
        std::ofstream out(image, std::ios::binary);
        for (int i = 0; i < 64 * 512; ++i)
            out.put(static_cast<char>(random() & 0xFF));
    }
    kernel::LinuxMachine standIns((folder / "root").string());
    standIns.AttachStandIn(image);
    kernel::InstallMachine(&standIns);
    Start();
    ASSERT_EQ(backend.Items(IDC_DRIVE_LIST).size(), 1u);
    Lock();
    EXPECT_EQ(Title(), "Kolm - PhysicalDrive0 / Removable / 32KB");
    JumpTo("3");

    std::string dumped;
    std::istringstream lines(Text(IDC_HEX_VIEW).str());
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string address, byte;
        fields >> address;
        while (fields >> byte)
            dumped += byte + " ";
    }
    const std::string command = "od -An -tx1 -v -j 1536 -N 512 " + image;
    std::string expected;
    if (FILE* od = popen(command.c_str(), "r")) {
        char byte[4];
        while (std::fscanf(od, "%2s", byte) == 1)
            expected += std::string(byte) + " ";
        pclose(od);
    }
    for (char& c : expected)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(dumped, expected);
    EXPECT_EQ(Text(IDC_HEX_VIEW).Left(12), " 0000000600 ");

    backend.Close(*dialog);
    dialog.reset();
    kernel::InstallMachine(&machine);
    std::filesystem::remove_all(folder);
}

} // namespace
