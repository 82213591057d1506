// The read test's report, with start and end times from the manual clock.
#include "platform/framework/Styles.h"
#include "platform/text/Cp932.h"
#include "tests/jobs/JobHarness.h"

namespace {

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    return SYSTEMTIME{year, month, 0, day, hour, minute, second, 0};
}

class ReadTestTest : public JobTest {
protected:
    // The start time holds until the job's first read, the end time after it.
    void SetTimes(SimulatedDisk& disk, const SYSTEMTIME& start, const SYSTEMTIME& end,
                  ULONGLONG firstRead) {
        clock.SetLocalTime(start);
        disk.BeforeReadAt(firstRead, [this, end] { clock.SetLocalTime(end); });
    }
};

TEST_F(ReadTestTest, ReportsTimesRangeAndBytesOfAWholeFloppy) {
    SimulatedDisk& disk = OpenDisk(1474560);
    SetTimes(disk, At(2024, 12, 6, 7, 1, 2), At(2024, 12, 6, 7, 1, 5), 0);
    RunReadTest(0, 2879);

    ASSERT_EQ(backend.boxes.size(), 1u);
    EXPECT_EQ(backend.boxes[0].text.str(), "12/06 07:01:02  -  12/06 07:01:05   \r\n\r\n"
                                           "LBA  0  -  2879  \r\n"
                                           "1474560 bytes read  \r\n\r\n" +
                                               Jp("正常終了 "));
    EXPECT_EQ(backend.boxes[0].type, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(device.GetPosition(), 2879 * 512);
}

TEST_F(ReadTestTest, SingleSectorOverTheTurnOfTheYear) {
    SimulatedDisk& disk = OpenDisk(64 << 20);
    SetTimes(disk, At(2024, 12, 31, 23, 59, 58), At(2025, 1, 1, 0, 0, 1), 77 * 512);
    RunReadTest(77, 77);

    EXPECT_EQ(disk.Reads(), (std::vector<sim::Transfer>{{77 * 512, 512}}));
    ASSERT_EQ(backend.boxes.size(), 1u);
    EXPECT_EQ(backend.boxes[0].text.str(), "12/31 23:59:58  -  01/01 00:00:01   \r\n\r\n"
                                           "LBA  77  -  77  \r\n"
                                           "512 bytes read  \r\n\r\n" +
                                               Jp("正常終了 "));
    EXPECT_EQ(device.GetPosition(), 77 * 512);
}

} // namespace
