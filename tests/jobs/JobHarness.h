#pragma once
// What the job tests share: a simulated machine, the headless backend (the test
// thread is the user-interface thread and serves the jobs' message boxes), a
// manual clock and the device.
#include "device/DiskDevice.h"
#include "platform/framework/HeadlessBackend.h"
#include "platform/framework/UiThread.h"
#include "tests/support/ErrorBoxes.h"
#include "tests/support/ManualClock.h"
#include "tests/support/SimulatedMachine.h"

#include <gtest/gtest.h>

#include <string>

// The device's whole range, with a text (an image file's path).
inline JobParams WholeDevice(const DiskDevice& device, const std::string& text = "") {
    JobParams params;
    params.nSectorSize = device.GetBytesPerSector();
    params.llFirstLba = 0;
    params.llLastLba = device.GetLastLba();
    params.strText = text.c_str();
    return params;
}

class JobTest : public ::testing::Test {
protected:
    static constexpr DWORD kSector = 512;
    static constexpr DWORD kChunk = 1024 * kSector;

    // A disk as the one physical drive, opened and locked.
    SimulatedDisk& OpenDisk(ULONGLONG size, DWORD sectorSize = kSector) {
        SimulatedDisk& disk = machine.AddDisk(size, sectorSize);
        device.RefreshDriveList();
        EXPECT_TRUE(device.OpenPhysicalDrive(disk.Number()));
        disk.ClearCounters();
        return disk;
    }

    // The read at offset waits until this thread next serves hand-overs (RunUntil,
    // or a wait for the device lock), so that what the test does before that, a stop
    // request, comes before the job's next chunk whatever the timing.
    static void HoldReadUntilServed(SimulatedDisk& disk, ULONGLONG offset) {
        disk.BeforeReadAt(offset, [] { framework::RunOnUiThread([] {}); });
    }

    static JobParams Range(LONGLONG first, LONGLONG last, const char* text = "") {
        JobParams params;
        params.nSectorSize = kSector;
        params.llFirstLba = first;
        params.llLastLba = last;
        params.strText = text;
        return params;
    }

    // Serves the job's hand-overs until its slot is empty.
    void WaitForJobEnd() {
        ASSERT_TRUE(backend.RunUntil([this] { return !device.IsWorkerRunning(); }));
    }

    void RunSearch(int type, LONGLONG first, LONGLONG last, const char* pattern) {
        device.SetSearchType(type);
        ASSERT_EQ(device.StartSearch(Range(first, last, pattern)), 1);
        WaitForJobEnd();
    }

    void RunReadTest(LONGLONG first, LONGLONG last) {
        ASSERT_EQ(device.StartReadTest(Range(first, last)), 1);
        WaitForJobEnd();
    }

    SimulatedMachine machine;
    framework::HeadlessBackend backend;
    ManualClock clock;
    DiskDevice device;
};
