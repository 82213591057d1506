#include "tests/jobs/JobHarness.h"

#include "platform/framework/Wnd.h"

namespace {

// The scan fills the window's list under the device lock, so it refuses a device
// that is not open and taken before it does anything; the other jobs start a
// thread that finds no device and ends at once.
TEST_F(JobTest, TheScanRefusesADeviceThatIsNotTakenAndTheOtherJobsEndAtOnce) {
    machine.AddDisk(1 << 20);
    device.RefreshDriveList();
    EXPECT_EQ(device.StartDataScan(Range(0, 2047)), 0);
    EXPECT_FALSE(device.IsWorkerRunning());
    EXPECT_EQ(device.StartReadTest(Range(0, 2047)), 1);
    WaitForJobEnd();
    EXPECT_EQ(device.GetPosition(), 0);

    OpenDisk(1 << 20);
    EXPECT_EQ(device.StartDataScan(Range(0, 2047)), 1);
    WaitForJobEnd();
    EXPECT_EQ(device.GetPosition(), 2047 * 512);
}

// At shutdown the scan may still be emptying the list, a request the window serves:
// stopping it waits for its end, serving the request, before the device goes.
TEST_F(JobTest, StopWorkerWaitsForAJobThatHasNotTakenTheLockYet) {
    OpenDisk(1 << 20);
    CListBox list; // without a window its requests still go to the window's thread
    device.SetScanList(&list);
    ASSERT_EQ(device.StartDataScan(Range(0, 2047)), 1);
    EXPECT_EQ(device.StopWorker(), 1);
    EXPECT_FALSE(device.IsWorkerRunning());
    EXPECT_EQ(device.GetPosition(), 0);
}

} // namespace
