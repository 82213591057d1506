#include "device/DiskDevice.h"
#include "tests/support/ManualClock.h"
#include "tests/support/SimulatedMachine.h"

#include <gtest/gtest.h>

namespace {

// The meter reads nothing but the position, which a job sets as it goes; the
// position is moved here through SetPosition on a disk large enough to hold it.
class RateMeterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.OpenPhysicalDrive(0)); }
    void Advance(LONGLONG bytes) { device.SetPosition(device.GetPosition() + bytes); }

    SimulatedMachine machine;
    SimulatedDisk& disk = machine.AddDisk(1ULL << 42);
    ManualClock clock;
    DiskDevice device;
};

TEST_F(RateMeterTest, NominalSamplesAveraged) {
    EXPECT_EQ(device.GetRate(0), 0); // before any start
    device.RateStart();
    clock.Advance(50);
    Advance(1048576);
    device.RateUpdate();
    EXPECT_EQ(device.GetRate(0), 0); // too early: nothing sampled

    clock.Advance(50);
    device.RateUpdate();
    EXPECT_EQ(device.GetRate(0), 5242880);
    EXPECT_EQ(device.GetRate(1), 5120);
    EXPECT_EQ(device.GetRate(2), 5);
    EXPECT_EQ(device.GetRate(9), 5242880);

    clock.Advance(100);
    Advance(1048576);
    device.RateUpdate();
    EXPECT_EQ(device.GetRate(0), 7864320);
    EXPECT_EQ(device.GetRate(1), 7680);

    clock.Advance(100);
    device.RateUpdate();
    EXPECT_EQ(device.GetRate(0), 3932160);
}

TEST_F(RateMeterTest, LateSampleCountsTheTimeThatPassed) {
    device.RateStart();
    clock.Advance(300);
    Advance(1048576);
    device.RateUpdate();
    EXPECT_EQ(device.GetRate(0), 3495253 / 2);
}

TEST_F(RateMeterTest, FastDiskDoesNotOverflowTheSample) {
    device.RateStart();
    clock.Advance(100);
    Advance(1LL << 30); // 1 GiB in 100 ms
    device.RateUpdate();
    EXPECT_EQ(device.GetRate(0), (10LL << 30) / 2);
    EXPECT_EQ(device.GetRate(3), 5);
}

TEST_F(RateMeterTest, StartForgetsTheLastJob) {
    device.RateStart();
    clock.Advance(100);
    Advance(1048576);
    device.RateUpdate();
    ASSERT_NE(device.GetRate(0), 0);
    device.RateStart();
    EXPECT_EQ(device.GetRate(0), 0);
    clock.Advance(100);
    device.RateUpdate(); // measured from the new start: no advance
    EXPECT_EQ(device.GetRate(0), 0);
}

TEST_F(RateMeterTest, TickCountWrap) {
    clock.SetTicks(0xFFFFFFF0u);
    device.RateStart();
    clock.Advance(20); // wrapped, 20 ms later
    Advance(1048576);
    device.RateUpdate();
    EXPECT_EQ(device.GetRate(0), 0);
    clock.Advance(80);
    device.RateUpdate();
    EXPECT_EQ(device.GetRate(0), 5242880);
}

} // namespace
