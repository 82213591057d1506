#include "device/DiskDevice.h"
#include "device/DriveEntry.h"
#include "tests/support/SimulatedMachine.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Entries(const DiskDevice& device) {
    std::vector<std::string> entries;
    for (int i = 0; i < device.GetDriveCount(); ++i)
        entries.push_back(device.GetDriveEntry(i).str());
    return entries;
}

using List = std::vector<std::string>;

class DriveListTest : public ::testing::Test {
protected:
    SimulatedMachine machine;
    SimulatedDisk& disk0 = machine.AddDisk(64 << 20);
    SimulatedDisk& disk1 = machine.AddDisk(32 << 20);
};

TEST_F(DriveListTest, NoLettersNoEntries) {
    DiskDevice device;
    EXPECT_EQ(device.GetDriveCount(), 0);
    EXPECT_EQ(device.GetDriveEntry(0), "");
    EXPECT_EQ(device.GetDriveEntry(-1), "");
}

TEST_F(DriveListTest, LettersOfOneDiskShareAnEntry) {
    machine.AddLetter('C', disk0, 1 << 20, 8 << 20);
    machine.AddLetter('D', disk0, 9 << 20, 8 << 20);
    machine.AddLetter('E', disk0, 17 << 20, 8 << 20);
    DiskDevice device;
    EXPECT_EQ(Entries(device), (List{" 0 - (CDE:)"}));
    EXPECT_EQ(device.GetDriveEntry(1), "");
}

TEST_F(DriveListTest, VolumesOnNoDiskStandAlone) {
    SimulatedDisk& floppy = machine.AddMedium(1474560);
    SimulatedDisk& disc = machine.AddMedium(700 << 20, 2048);
    machine.AddLetter('A', floppy);
    machine.AddLetter('C', disk0);
    machine.AddLetter('D', disc);
    machine.AddLetter('E', disk0);
    DiskDevice device;
    EXPECT_EQ(Entries(device), (List{" * - (A:)", " 0 - (CE:)", " * - (D:)"}));
}

TEST_F(DriveListTest, EntriesFollowTheFirstLetterOfEachDisk) {
    SimulatedDisk& floppy = machine.AddMedium(1474560);
    machine.AddLetter('A', floppy);
    machine.AddLetter('B', floppy);
    machine.AddLetter('C', disk0, 0, 1 << 20);
    machine.AddLetter('D', disk1);
    machine.AddLetter('E', disk0, 1 << 20, 1 << 20);
    machine.AddLetter('F', disk0, 2 << 20, 1 << 20);
    machine.NoExtents('F');
    DiskDevice device;
    EXPECT_EQ(Entries(device),
              (List{" * - (A:)", " * - (B:)", " 0 - (CE:)", " 1 - (D:)", " * - (F:)"}));
}

// A refused open and a refused extents request both leave the letter on its own,
// and its entry keeps the error that says why.
TEST_F(DriveListTest, LettersWithoutADiskNumber) {
    machine.AddLetter('C', disk0);
    machine.AddLetter('G', disk0, 1 << 20, 1 << 20);
    machine.NoExtents('G');
    machine.AddLetter('H', disk1);
    machine.RefuseOpen('H', ERROR_FILE_NOT_FOUND);
    machine.AddLetter('Z', disk1);
    disk1.RefuseOpen();
    DiskDevice device;
    EXPECT_EQ(Entries(device), (List{" 0 - (C:)", " * - (G:)", " * - (H:)", " * - (Z:)"}));
    const DWORD errors[] = {0, ERROR_NOT_SUPPORTED, ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, 0};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(device.GetDriveEntryError(i), errors[i]) << i;
    EXPECT_EQ(disk0.OpenCount() + disk1.OpenCount(), 0); // every probe closed again
}

TEST_F(DriveListTest, DiskNumbersOfTenAndMoreAreReadWhole) {
    for (int i = 2; i <= 10; ++i)
        machine.AddDisk(1 << 20);
    machine.AddLetter('C', disk1);
    machine.AddLetter('D', machine.Disk(10));
    machine.AddLetter('E', machine.Disk(10));
    machine.AddLetter('F', disk1);
    DiskDevice device;
    EXPECT_EQ(Entries(device), (List{" 1 - (CF:)", " 10 - (DE:)"}));
    EXPECT_EQ(DriveEntryDiskNumber(device.GetDriveEntry(1)), 10);
}

TEST(DriveEntryTest, ReadsBothForms) {
    EXPECT_FALSE(IsUnmappedDriveEntry(" 0 - (CE:)"));
    EXPECT_EQ(DriveEntryDiskNumber(" 0 - (CE:)"), 0);
    EXPECT_EQ(DriveEntryLetter(" 0 - (CE:)"), 'C');
    EXPECT_EQ(DriveEntryDiskNumber(" 123 - (Q:)"), 123);
    EXPECT_EQ(DriveEntryLetter(" 123 - (Q:)"), 'Q');
    EXPECT_TRUE(IsUnmappedDriveEntry(" * - (A:)"));
    EXPECT_EQ(DriveEntryLetter(" * - (A:)"), 'A');
    EXPECT_EQ(CString(" * - (A:)")[6], 'A');
    EXPECT_EQ(DriveEntryDiskNumber(""), 0);
    EXPECT_EQ(DriveEntryDiskNumber("x"), 0);
    EXPECT_EQ(DriveEntryDiskNumber(" 99999999999 - (C:)"), 2147483647);
    EXPECT_EQ(DriveEntryLetter(""), 0);
    EXPECT_EQ(DriveEntryLetter(" 1 - ("), 0);
    EXPECT_EQ(DriveEntryLetters(" 10 - (DEF:)"), "DEF");
    EXPECT_EQ(DriveEntryLetters(" 0 - (CE"), "CE"); // while the list is built
    EXPECT_EQ(DriveEntryLetters(" * - (A:)"), "A");
    EXPECT_EQ(DriveEntryLetters(""), "");
}

} // namespace
