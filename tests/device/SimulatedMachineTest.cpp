#include "tests/support/SimulatedMachine.h"
#include "device/DiskDevice.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The simulated machine through the kernel calls, as the system sees it.
HANDLE Open(const char* path, DWORD flags = FILE_FLAG_NO_BUFFERING) {
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, flags, nullptr);
}

BOOL Seek(HANDLE handle, LONGLONG position) {
    return SetFilePointerEx(handle, LARGE_INTEGER{position}, nullptr, FILE_BEGIN);
}

TEST(SimulatedMachineTest, HugeSparseDiskThroughTheKernelCalls) {
    SimulatedMachine machine;
    SimulatedDisk& disk = machine.AddDisk(1ULL << 41, 4096);
    disk.Fill((1ULL << 41) - 4096, "last");
    HANDLE handle = Open("\\\\.\\PHYSICALDRIVE0");
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    std::vector<BYTE> buffer(8192, 0xEE);
    DWORD done = 0;
    ASSERT_TRUE(Seek(handle, (1LL << 41) - 4096));
    ASSERT_TRUE(ReadFile(handle, buffer.data(), 8192, &done, nullptr));
    EXPECT_EQ(done, 4096u); // the end of the disk shortens the read
    EXPECT_EQ(std::memcmp(buffer.data(), "last", 4), 0);
    EXPECT_EQ(buffer[4], 0);
    EXPECT_FALSE(ReadFile(handle, buffer.data(), 512, &done, nullptr)); // not a whole sector
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(disk.Reads(), (std::vector<sim::Transfer>{{(1ULL << 41) - 4096, 8192}}));
    LARGE_INTEGER size{};
    EXPECT_TRUE(GetFileSizeEx(handle, &size));
    EXPECT_EQ(size.QuadPart, 1LL << 41);
    CloseHandle(handle);
    EXPECT_EQ(disk.OpenCount(), 0);
}

// The faults as a volume's handle meets them: a bad sector fails the transfer that
// covers it, and a medium cut short moves what lies before its new end.
TEST(SimulatedMachineTest, FaultsSeenThroughAVolume) {
    SimulatedMachine machine;
    SimulatedDisk& disk = machine.AddDisk(1 << 20, 512);
    machine.AddLetter('F', disk, 4096, 8192);
    HANDLE volume = Open("\\\\.\\F:");
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    std::vector<BYTE> bytes(2048, 0x5A);
    DWORD done = 0;
    disk.FailWrite(4096 + 1024, EIO);
    EXPECT_FALSE(WriteFile(volume, bytes.data(), 2048, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(EIO));
    EXPECT_TRUE(WriteFile(volume, bytes.data(), 512, &done, nullptr)); // before the bad sector
    disk.ClearFaults();
    disk.ShortenWrite(4096 + 1024);
    ASSERT_TRUE(Seek(volume, 512));
    EXPECT_FALSE(WriteFile(volume, bytes.data(), 1024, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ENOSPC));
    EXPECT_EQ(disk.Bytes(4096 + 1023, 2), (std::vector<BYTE>{0x5A, 0}));
    disk.ShortenRead(4096 + 1024);
    ASSERT_TRUE(Seek(volume, 0));
    ASSERT_TRUE(ReadFile(volume, bytes.data(), 2048, &done, nullptr));
    EXPECT_EQ(done, 1024u);
    ASSERT_TRUE(ReadFile(volume, bytes.data(), 512, &done, nullptr));
    EXPECT_EQ(done, 0u);
    CloseHandle(volume);
}

TEST(SimulatedMachineTest, VolumesNameTheirDiskAndMeasureThemselves) {
    SimulatedMachine machine;
    SimulatedDisk& disk = machine.AddDisk(1 << 30, 512);
    SimulatedDisk& other = machine.AddDisk(1 << 20, 512);
    other.SetDriveType(DRIVE_REMOVABLE);
    machine.AddLetter('C', disk, 1 << 20, 100 << 20);
    HANDLE volume = Open("\\\\.\\C:");
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    VOLUME_DISK_EXTENTS extents{};
    DWORD returned = 0;
    EXPECT_FALSE(DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &extents,
                                 sizeof extents - 1, &returned, nullptr));
    ASSERT_TRUE(DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &extents,
                                sizeof extents, &returned, nullptr));
    EXPECT_EQ(extents.NumberOfDiskExtents, 1u);
    EXPECT_EQ(extents.Extents[0].DiskNumber, 0u);
    EXPECT_EQ(extents.Extents[0].StartingOffset.QuadPart, 1 << 20);

    DISK_GEOMETRY_EX geometry{};
    ASSERT_TRUE(DeviceIoControl(volume, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, &geometry,
                                sizeof geometry, &returned, nullptr));
    EXPECT_EQ(geometry.DiskSize.QuadPart, 100 << 20); // a volume measures itself
    CloseHandle(volume);

    EXPECT_EQ(GetLogicalDrives(), 1u << 2);
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_FIXED);
    EXPECT_EQ(GetDriveTypeA("\\\\.\\PHYSICALDRIVE1\\"), DRIVE_REMOVABLE);
    EXPECT_EQ(GetDriveTypeA("Q:\\"), DRIVE_NO_ROOT_DIR);
}

TEST(SimulatedMachineTest, FreeSpaceByLongestPrefix) {
    SimulatedMachine machine;
    machine.SetFreeSpace("/tmp/", 1000);
    machine.SetFreeSpace("/tmp/small/", 10);
    machine.FailFreeSpace("/gone/");
    ULARGE_INTEGER available{}, total{}, unused{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("/tmp/small/x/", &available, &total, &unused));
    EXPECT_EQ(available.QuadPart, 10u);
    ASSERT_TRUE(GetDiskFreeSpaceExA("/tmp/", &available, &total, &unused));
    EXPECT_EQ(available.QuadPart, 1000u);
    EXPECT_FALSE(GetDiskFreeSpaceExA("/gone/", &available, &total, &unused));
}

TEST(WorkerSlotTest, NoJobNoStop) {
    SimulatedMachine machine;
    DiskDevice device;
    EXPECT_FALSE(device.IsWorkerRunning());
    EXPECT_EQ(device.GetWorkerThreadId(), 0u);
    EXPECT_EQ(device.StopWorker(), 0);
}

} // namespace
