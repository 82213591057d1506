// The skeleton every job shares, seen through the read test: chunks, refusals,
// positions, stop requests, failed and empty reads.
#include "platform/framework/Messages.h"
#include "tests/jobs/JobHarness.h"

#include <vector>

namespace {

using sim::Transfer;

std::vector<DWORD> Lengths(const std::vector<Transfer>& reads) {
    std::vector<DWORD> lengths;
    for (const Transfer& read : reads)
        lengths.push_back(read.length);
    return lengths;
}

class JobFrameworkTest : public JobTest {};

TEST_F(JobFrameworkTest, FloppySizedDeviceMovesInFourSectorChunks) {
    SimulatedDisk& disk = OpenDisk(1474560);
    RunReadTest(0, 2879);
    std::vector<Transfer> reads = disk.Reads();
    ASSERT_EQ(reads.size(), 720u);
    for (std::size_t i = 0; i < reads.size(); ++i)
        ASSERT_EQ(reads[i], (Transfer{i * 2048, 2048})) << "read " << i;
    EXPECT_EQ(device.GetPosition(), 2879 * 512);
}

TEST_F(JobFrameworkTest, OneByteAboveFloppySizeMovesInFullChunks) {
    SimulatedDisk& disk = OpenDisk(1474561);
    RunReadTest(0, 2879);
    EXPECT_EQ(Lengths(disk.Reads()), (std::vector<DWORD>{kChunk, kChunk, 425984}));
}

TEST_F(JobFrameworkTest, ReadsTheRangeInChunksAndEndsOnItsLastSector) {
    SimulatedDisk& disk = OpenDisk(64 << 20);
    RunReadTest(10, 1009);
    EXPECT_EQ(disk.Reads(), (std::vector<Transfer>{{10 * 512, 512000}}));
    EXPECT_EQ(device.GetPosition(), 1009 * 512);

    disk.ClearCounters();
    RunReadTest(0, 2048);
    EXPECT_EQ(disk.Reads(),
              (std::vector<Transfer>{{0, kChunk}, {kChunk, kChunk}, {2 * kChunk, 512}}));
    EXPECT_EQ(device.GetPosition(), 2048 * 512);
}

TEST_F(JobFrameworkTest, StartRefusesAnUnsetRangeAndAFailedOpen) {
    SimulatedDisk& disk = OpenDisk(64 << 20);
    device.SetPosition(4096);
    EXPECT_EQ(device.StartReadTest(Range(-1, 100)), 0);
    EXPECT_FALSE(device.IsWorkerRunning());

    device.CloseDevice(); // an open does not close a handle still held
    disk.RefuseOpen();
    EXPECT_FALSE(device.OpenPhysicalDrive(disk.Number()));
    backend.boxes.clear(); // the open's own box
    EXPECT_EQ(device.StartReadTest(Range(0, 100)), 0);
    EXPECT_EQ(device.StartSearch(Range(0, 100, "55AA")), 0);
    EXPECT_FALSE(device.IsWorkerRunning());
    EXPECT_TRUE(disk.Reads().empty());
    EXPECT_TRUE(backend.boxes.empty());
}

TEST_F(JobFrameworkTest, JobOnADeviceThatIsNotLockedEndsAtOnce) {
    SimulatedDisk& disk = machine.AddDisk(64 << 20);
    disk.RefuseDismount();
    device.RefreshDriveList();
    EXPECT_FALSE(device.OpenPhysicalDrive(disk.Number()));
    backend.boxes.clear(); // the open's own box
    disk.ClearCounters();

    // The slot is published before the job can clear it, so it is empty once the
    // job is gone, never left holding a finished thread.
    EXPECT_EQ(device.StartReadTest(Range(3, 100)), 1);
    WaitForJobEnd();
    EXPECT_EQ(device.GetWorkerThreadId(), 0u);
    EXPECT_EQ(device.GetPosition(), 0);
    EXPECT_TRUE(disk.Reads().empty());
    EXPECT_TRUE(backend.boxes.empty());
}

TEST_F(JobFrameworkTest, AbortEndsTheJobBeforeTheNextChunk) {
    SimulatedDisk& disk = OpenDisk(64 << 20);
    HoldReadUntilServed(disk, 1 * kChunk);
    ASSERT_EQ(device.StartReadTest(Range(0, 10000)), 1);
    // Another message ahead of the stop request does not hide it.
    PostThreadMessageA(device.GetWorkerThreadId(), WM_USER + 7, 0, 0);
    PostThreadMessageA(device.GetWorkerThreadId(), WM_JOB_ABORT, 0, 0);
    WaitForJobEnd();

    EXPECT_EQ(disk.Reads(), (std::vector<Transfer>{{0, kChunk}, {kChunk, kChunk}}));
    EXPECT_EQ(device.GetPosition(), 2 * kChunk);
    EXPECT_TRUE(backend.boxes.empty());
}

TEST_F(JobFrameworkTest, StopWorkerEndsARunningJobAndWaitsForIt) {
    EXPECT_EQ(device.StopWorker(), 0);

    SimulatedDisk& disk = OpenDisk(64 << 20);
    HoldReadUntilServed(disk, 2 * kChunk);
    ASSERT_EQ(device.StartReadTest(Range(0, 10000)), 1);
    EXPECT_EQ(device.StopWorker(), 1);

    EXPECT_FALSE(device.IsWorkerRunning());
    EXPECT_EQ(disk.Reads().size(), 3u);
    EXPECT_EQ(device.GetPosition(), 3 * kChunk);
    EXPECT_TRUE(backend.boxes.empty());
}

TEST_F(JobFrameworkTest, FailedReadIsReportedAndLeavesThePositionOnItsChunk) {
    SimulatedDisk& disk = OpenDisk(64 << 20);
    disk.FailRead(2 * kChunk + 4096);
    RunReadTest(0, 100000);

    EXPECT_EQ(disk.Reads().size(), 3u);
    EXPECT_EQ(device.GetPosition(), 2 * kChunk);
    ExpectErrorBoxAndQuestion(backend, EIO); // the question answered "No"
    EXPECT_FALSE(backend.boxes[0].owned);
}

// The source ended early: reported as a failed read, with the platform's text
// for the end of a file, and the position kept as for one.
TEST_F(JobFrameworkTest, ReadThatBringsNothingIsReportedAsTheEndOfTheFile) {
    SimulatedDisk& disk = OpenDisk(64 << 20);
    disk.ShortenRead(kChunk); // the second chunk's read delivers 0 bytes
    RunReadTest(0, 100000);

    EXPECT_EQ(disk.Reads().size(), 2u);
    EXPECT_EQ(device.GetPosition(), kChunk);
    ExpectErrorBoxAndQuestion(backend, ERROR_HANDLE_EOF);
}

TEST_F(JobFrameworkTest, ReversedRangeReadsNothing) {
    SimulatedDisk& disk = OpenDisk(64 << 20);
    device.SetPosition(512 * 7);
    RunReadTest(9, 8);
    EXPECT_TRUE(disk.Reads().empty());
    EXPECT_EQ(device.GetPosition(), 512 * 7);
    EXPECT_TRUE(backend.boxes.empty());
}

TEST_F(JobFrameworkTest, RateSampleCountsThePositionAfterTheChunk) {
    SimulatedDisk& disk = OpenDisk(64 << 20);
    disk.BeforeReadAt(kChunk, [this] { clock.Advance(100); });
    RunReadTest(0, 3 * 1024 - 1);
    // One sample, 100 ms after the start, when two chunks were done.
    EXPECT_EQ(device.GetRate(0), 2 * kChunk * 10 / 2);
}

} // namespace
