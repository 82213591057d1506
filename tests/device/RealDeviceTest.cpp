#include "device/DiskDevice.h"
#include "device/DriveEntry.h"
#include "platform/framework/HeadlessBackend.h"
#include "platform/kernel/LinuxMachine.h"
#include "tests/support/ErrorBoxes.h"
#include "tests/support/LoopDevice.h"
#include "tests/support/NodeWatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

// A file of the given size whose every 512-byte sector starts with its number.
fs::path MakeImage(const std::string& name, std::size_t size) {
    fs::path path = fs::temp_directory_path() / name;
    std::string bytes(size, '\0');
    for (std::size_t sector = 0; sector * 512 < size; ++sector) {
        std::string mark = "sector " + std::to_string(sector);
        bytes.replace(sector * 512, mark.size(), mark);
    }
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
    return path;
}

// What dd reads of a device or file, a block of the given size at a block number.
std::string DdBlock(const std::string& path, DWORD block, LONGLONG number, bool direct) {
    auto bytes = RunCommand("dd if='" + path + "' bs=" + std::to_string(block) +
                            " skip=" + std::to_string(number) + " count=1 status=none" +
                            (direct ? " iflag=direct" : ""));
    return bytes.value_or("dd failed");
}

std::string ReadAt(DiskDevice& device, LONGLONG position, DWORD count) {
    std::string bytes(count, '\0');
    device.SetPosition(position);
    DWORD read = device.ReadAtPosition(bytes.data(), count);
    bytes.resize(read);
    return bytes;
}

// The number of the physical drive that is this device node or file, or -1.
int DriveNumberOf(const std::string& path,
                  kernel::LinuxMachine& machine = kernel::LinuxMachine::Instance()) {
    const std::vector<std::string> paths = machine.PhysicalDrivePaths();
    const auto at = std::find(paths.begin(), paths.end(), path);
    return at == paths.end() ? -1 : static_cast<int>(at - paths.begin());
}

class RealDeviceTest : public ::testing::Test {
protected:
    framework::HeadlessBackend backend;
};

TEST_F(RealDeviceTest, PlainFileStandsInForAFloppy) {
    fs::path image = MakeImage("kolm-device-floppy.img", 1474560);
    {
        DiskDevice device;
        ASSERT_TRUE(device.OpenDevicePath(image.string().c_str()));
        EXPECT_TRUE(device.IsLocked());
        EXPECT_EQ(device.GetCapacity(0), 1474560);
        EXPECT_EQ(device.GetBytesPerSector(), 512u);
        EXPECT_EQ(device.GetCylinders(), 80);
        EXPECT_EQ(device.GetTracksPerCylinder(), 2u);
        EXPECT_EQ(device.GetSectorsPerTrack(), 18u);
        EXPECT_EQ(device.GetLastLba(), 2879);
        EXPECT_EQ(ReadAt(device, 2879 * 512, 512), DdBlock(image.string(), 512, 2879, false));
        EXPECT_EQ(ReadAt(device, 1000 * 512, 2048), DdBlock(image.string(), 2048, 250, false));

        // The lock is held: a second open of the same file is refused, and says so.
        DiskDevice second;
        EXPECT_FALSE(second.OpenDevicePath(image.string().c_str()));
        ExpectErrorBox(backend, ERROR_BUSY);
        device.CloseDevice();
        EXPECT_TRUE(second.OpenDevicePath(image.string().c_str()));
    }
    EXPECT_EQ(backend.boxes.size(), 1u);
    fs::remove(image);
}

TEST_F(RealDeviceTest, MissingFileIsRefusedWithTheSystemsText) {
    DiskDevice device;
    EXPECT_FALSE(device.OpenDevicePath("/nonexistent/kolm.img"));
    ExpectErrorBox(backend, ERROR_FILE_NOT_FOUND);
}

TEST_F(RealDeviceTest, EntriesOfThisMachineAreWellFormed) {
    DiskDevice device;
    char lastLetter = 0;
    for (int i = 0; i < device.GetDriveCount(); ++i) {
        CString entry = device.GetDriveEntry(i);
        SCOPED_TRACE(entry.str());
        EXPECT_EQ(entry.Right(2), ":)");
        ASSERT_NE(DriveEntryLetter(entry), 0);
        if (IsUnmappedDriveEntry(entry)) {
            EXPECT_EQ(entry.GetLength(), 9);
        }
        // Letters inside an entry rise, and entries come in the order of their first letters.
        CString letters = entry.Mid(entry.Find(" - (") + 4);
        letters = letters.Left(letters.GetLength() - 2);
        for (int k = 1; k < letters.GetLength(); ++k)
            EXPECT_LT(letters[k - 1], letters[k]);
        EXPECT_LT(lastLetter, letters[0]);
        lastLetter = letters[0];
    }
}

// A loop device attached now is one of this machine's disks: the drive list names
// it, and the disk of that number opens with its true size and sector size.
TEST_F(RealDeviceTest, LoopDeviceIsADiskOfTheList) {
    constexpr std::size_t kSize = (4u << 20) + 7 * 4096; // a size no other disk has
    fs::path image = MakeImage("kolm-device-loop.img", kSize);
    std::string why;
    auto loop = LoopDevice::Attach(image.string(), 4096, why);
    if (!loop) {
        fs::remove(image);
        GTEST_SKIP() << why;
    }
    kernel::LinuxMachine::Instance().Refresh(); // the machine reads its drives once
    DiskDevice device;
    // Only the test's own loop device is opened, never another disk of the machine.
    const int found = DriveNumberOf(loop->Path());
    ASSERT_GE(found, 0) << loop->Path() << " is not among the disks of the drive list";
    ASSERT_TRUE(device.OpenPhysicalDrive(found));
    EXPECT_EQ(device.GetCapacity(0), LONGLONG{kSize});
    EXPECT_EQ(device.GetBytesPerSector(), 4096u);
    EXPECT_EQ(ReadAt(device, 0, 4096), DdBlock(loop->Path(), 4096, 0, true));
    EXPECT_TRUE(device.IsLocked());
    EXPECT_EQ(device.GetLastLba(), LONGLONG{kSize / 4096 - 1});
    LONGLONG last = device.GetLastLba();
    EXPECT_EQ(ReadAt(device, last * 4096, 4096), DdBlock(loop->Path(), 4096, last, true));
    EXPECT_EQ(ReadAt(device, 0, 512), "") << "part of a sector is refused";
    EXPECT_EQ(backend.boxes.size(), 1u);
    device.CloseDevice();
    loop.reset();
    kernel::LinuxMachine::Instance().Refresh();
    fs::remove(image);
}

// A stand-in is the file its name named at start-up: once the name names a link
// to a disk, or another file, the open is refused with the system's text and the
// disk is not opened at all.
TEST_F(RealDeviceTest, AStandInWhoseNameNowNamesSomethingElseIsRefused) {
    const std::string card = MakeImage("kolm-stand-in.img", 1 << 20).string();
    const std::string other = MakeImage("kolm-other-disk.img", 1 << 20).string();
    std::string why;
    auto loop = LoopDevice::Attach(other, 512, why);
    struct Case {
        const char* name;
        std::string target; // what the name comes to name
    };
    const Case cases[] = {
        {"a link to a loop device", loop ? loop->Path() : ""},
        {"a link to another file", other},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        if (test.target.empty())
            continue;
        kernel::LinuxMachine machine;
        machine.AttachStandIn(card);
        kernel::InstallMachine(&machine);
        backend.boxes.clear();
        {
            DiskDevice device;
            const int number = DriveNumberOf(card, machine);
            ASSERT_TRUE(device.OpenPhysicalDrive(number));
            device.CloseDevice();
            fs::rename(card, card + ".kept");
            fs::create_symlink(test.target, card);
            NodeWatch watch(test.target);
            EXPECT_FALSE(device.OpenPhysicalDrive(number));
            ExpectErrorBox(backend, ERROR_FILE_NOT_FOUND);
            EXPECT_EQ(watch.EventsBeforeMark(), std::vector<uint32_t>{});
        }
        kernel::InstallMachine(nullptr);
        fs::remove(card);
        fs::rename(card + ".kept", card);
    }
    const bool looped = loop != nullptr;
    loop.reset();
    fs::remove(card);
    fs::remove(other);
    if (!looped)
        GTEST_SKIP() << "the link to a file passed; " << why;
}

} // namespace
