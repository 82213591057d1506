#include "device/DiskDevice.h"
#include "platform/framework/HeadlessBackend.h"
#include "tests/support/SimulatedMachine.h"

#include <gtest/gtest.h>

namespace {

class DevicePositionTest : public ::testing::Test {
protected:
    void Open(ULONGLONG size, DWORD sectorSize) {
        SimulatedDisk& disk = machine.AddDisk(size, sectorSize);
        ASSERT_TRUE(device.OpenPhysicalDrive(disk.Number()));
    }

    framework::HeadlessBackend backend;
    SimulatedMachine machine;
    DiskDevice device;
};

TEST_F(DevicePositionTest, FloppyLimitsAndUnits) {
    Open(1474560, 512);
    EXPECT_EQ(device.GetLastLba(), 2879);
    EXPECT_EQ(device.SetPosition(2000000), 1474048);
    EXPECT_EQ(device.SetPosition(1474048), 1474048);
    EXPECT_EQ(device.SetPosition(-512), 0);
    EXPECT_EQ(device.SetPosition(1000), 1000); // not aligned: callers align
    EXPECT_EQ(device.GetPosition(), 1000);
    EXPECT_EQ(device.GetCapacity(0), 1474560);
    EXPECT_EQ(device.GetCapacity(1), 1440);
    EXPECT_EQ(device.GetCapacity(2), 1);
    EXPECT_EQ(device.GetCapacity(3), 0);
    EXPECT_EQ(device.GetCapacity(9), 1474560);
    EXPECT_EQ(device.GetCapacity(-1), 1474560);
}

TEST_F(DevicePositionTest, Percentages) {
    Open(1474560, 512);
    device.SetPosition(0);
    EXPECT_EQ(device.GetPositionPercent(), 0.0);
    device.SetPosition(737280);
    EXPECT_NEAR(device.GetPositionPercent(), 1440.0 / 2879.0 * 100.0, 1e-9);
    device.SetPosition(1474048);
    EXPECT_EQ(device.GetPositionPercent(), 100.0);
}

TEST_F(DevicePositionTest, HugeDisksAndLargeSectors) {
    Open((3ULL << 40) + 4096, 4096); // 3 TiB and one sector
    EXPECT_EQ(device.GetLastLba(), static_cast<LONGLONG>((3ULL << 40) / 4096));
    EXPECT_EQ(device.GetCapacity(4), 3);
    EXPECT_EQ(device.SetPosition(1LL << 62), static_cast<LONGLONG>(3ULL << 40));
    EXPECT_EQ(device.GetPositionPercent(), 100.0);
}

TEST_F(DevicePositionTest, NothingMeasuredDividesNothingByZero) {
    EXPECT_EQ(device.GetBytesPerSector(), 0u);
    EXPECT_EQ(device.GetLastLba(), 0);
    EXPECT_EQ(device.GetPositionPercent(), 0.0);
    EXPECT_EQ(device.SetPosition(4096), 0);
    EXPECT_EQ(device.GetPosition(), 0);
}

TEST_F(DevicePositionTest, OneSectorDeviceIsAtZeroPercent) {
    Open(512, 512);
    EXPECT_EQ(device.GetLastLba(), 0);
    EXPECT_EQ(device.SetPosition(512), 0);
    EXPECT_EQ(device.GetPositionPercent(), 0.0);
}

TEST_F(DevicePositionTest, ReadsAtThePositionWithoutMovingIt) {
    Open(1 << 20, 512);
    SimulatedDisk& disk = machine.Disk(0);
    disk.Fill(3 * 512, "sector three");
    device.SetPosition(3 * 512);
    std::vector<BYTE> buffer(1024, 0xEE);
    EXPECT_EQ(device.ReadAtPosition(buffer.data(), 1024), 1024u);
    EXPECT_EQ(buffer, disk.Bytes(3 * 512, 1024));
    EXPECT_EQ(device.GetPosition(), 3 * 512);

    disk.ShortenRead(3 * 512 + 512);
    EXPECT_EQ(device.ReadAtPosition(buffer.data(), 1024), 512u);
    EXPECT_TRUE(backend.boxes.empty());
}

TEST_F(DevicePositionTest, RefusedReadShowsOneErrorBox) {
    Open(1 << 20, 512);
    machine.Disk(0).FailRead(8 * 512, EIO);
    device.SetPosition(8 * 512);
    BYTE buffer[512];
    EXPECT_EQ(device.ReadAtPosition(buffer, sizeof buffer), 0u);
    EXPECT_EQ(device.GetPosition(), 8 * 512);
    ASSERT_EQ(backend.boxes.size(), 1u);
    EXPECT_EQ(backend.boxes[0].caption, "Error");
    char text[256];
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, EIO, 0, text, sizeof text, nullptr);
    EXPECT_EQ(backend.boxes[0].text, text);

    // Part of a sector is refused by the unbuffered handle.
    device.SetPosition(0);
    EXPECT_EQ(device.ReadAtPosition(buffer, 100), 0u);
    EXPECT_EQ(backend.boxes.size(), 2u);
}

TEST_F(DevicePositionTest, ReadAfterCloseIsReported) {
    Open(1 << 20, 512);
    device.CloseDevice();
    BYTE buffer[512];
    EXPECT_EQ(device.ReadAtPosition(buffer, sizeof buffer), 0u);
    ASSERT_EQ(backend.boxes.size(), 1u);
    EXPECT_EQ(backend.boxes[0].caption, "Error");
}

TEST(ShowLastErrorTest, NoErrorNoBox) {
    framework::HeadlessBackend backend;
    SetLastError(0);
    ShowLastError();
    EXPECT_TRUE(backend.boxes.empty());
    SetLastError(ERROR_ACCESS_DENIED);
    ShowLastError();
    ASSERT_EQ(backend.boxes.size(), 1u);
    EXPECT_NE(backend.boxes[0].text.str().find("denied"), std::string::npos);
}

} // namespace
