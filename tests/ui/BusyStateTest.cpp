#include "tests/ui/MainWindowFixture.h"
#include "view/ControlSets.h"

#include "platform/text/Cp932.h"

#include <regex>

namespace {

class BusyStateTest : public MainWindowTest {
protected:
    void SetUp() override {
        disk = &StartOnLongDisk();
        Lock();
        JumpTo("3");
    }
    void ExpectIdle() {
        EXPECT_EQ(Text(IDC_SEARCH), "Search");
        EXPECT_EQ(Text(IDC_CREATE_IMAGE), Jp("作成"));
        EXPECT_EQ(Text(IDC_RESTORE_IMAGE), Jp("復元"));
        for (int id : kBusySet)
            EXPECT_TRUE(backend.Enabled(id)) << id;
        EXPECT_FALSE(backend.TimerRunning(0));
        EXPECT_EQ(Text(IDC_RATE), "");
    }
    // STOP was pressed and the job has not ended yet: its button is off, the rate
    // text says so and the window stays busy.
    void ExpectStopping(int stopButton) {
        EXPECT_FALSE(backend.Enabled(stopButton));
        EXPECT_EQ(Text(stopButton), "STOP");
        EXPECT_EQ(Text(IDC_RATE), Jp("停止中"));
        EXPECT_TRUE(backend.TimerRunning(0));
        backend.AdvanceTime(50);
        if (dialog->Device().IsWorkerRunning()) {
            EXPECT_EQ(Text(IDC_RATE), Jp("停止中")) << "a tick keeps the text";
        }
    }
    void ExpectClosesAfterTheJob() {
        ASSERT_NE(backend.Window(0), nullptr);
        ExpectStopping(IDC_SEARCH);
        FinishJob();
        EXPECT_TRUE(backend.RunUntil([this] { return backend.Window(0) == nullptr; }));
        EXPECT_FALSE(dialog->Device().IsWorkerRunning());
    }
    SimulatedDisk* disk = nullptr;
};

TEST_F(BusyStateTest, AJobDisablesTheBusySetAndTheTimerShowsItsProgress) {
    StartLongSearch();
    for (int id : kBusySet)
        EXPECT_EQ(backend.Enabled(id), id == IDC_SEARCH) << id;
    EXPECT_EQ(Text(IDC_SEARCH), "STOP");
    EXPECT_EQ(Text(IDC_HEX_VIEW), "");
    EXPECT_EQ(Text(IDC_TEXT_PANE), "");
    EXPECT_TRUE(backend.TimerRunning(0));

    backend.RunUntil([this] { return dialog->Device().GetPosition() > 1 << 20; });
    backend.AdvanceTime(50);
    EXPECT_GT(std::stoll(Text(IDC_CURRENT_LBA).str()), 2048);
    EXPECT_TRUE(std::regex_match(Text(IDC_POSITION).str(), std::regex(R"(  0\.\d{4}%)")))
        << Text(IDC_POSITION).str();
    EXPECT_TRUE(std::regex_match(Text(IDC_RATE).str(), std::regex(R"(\d+KB/s)")))
        << Text(IDC_RATE).str();

    // The keys leave the worker's position and device alone: no redraw happens.
    backend.PressKey(VK_LEFT);
    backend.PressKey(VK_RIGHT);
    EXPECT_EQ(Text(IDC_HEX_VIEW), "");

    backend.Click(IDC_SEARCH); // STOP
    ExpectStopping(IDC_SEARCH);
    FinishJob();
    ExpectIdle();
    EXPECT_TRUE(backend.boxes.empty()); // a search stopped found nothing, and says nothing
    const LONGLONG stopped = dialog->Device().GetPosition();
    EXPECT_GT(stopped, 3 * 512);
    EXPECT_LT(stopped, dialog->Device().GetLastLba() * 512);
    CString line;
    line.Format(" %010I64X ", stopped);
    EXPECT_EQ(Text(IDC_HEX_VIEW).Left(12), line);
}

TEST_F(BusyStateTest, TheStopMenuCommandEndsAJobAndFindsNothingToStopAfterwards) {
    StartLongSearch();
    backend.ChooseCommand(ID_DRIVE_STOP);
    ExpectStopping(IDC_SEARCH);
    FinishJob();
    ExpectIdle();
    backend.ChooseCommand(ID_DRIVE_STOP);
    ExpectIdle();
}

// Esc and the close box alike: the window stays, stopping, until the job has let
// go of the drive, and then closes by itself.
TEST_F(BusyStateTest, EscDuringAJobStopsItAndClosesTheWindowOnceItHasEnded) {
    StartLongSearch();
    backend.PressKey(VK_ESCAPE);
    ExpectClosesAfterTheJob();
}

TEST_F(BusyStateTest, TheCloseBoxDuringAJobStopsItAndClosesTheWindowOnceItHasEnded) {
    StartLongSearch();
    framework::Deliver(backend.Window(0), WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectClosesAfterTheJob();
}

TEST_F(BusyStateTest, TheWindowClosesAtOnceWhenIdle) {
    backend.PressKey(VK_ESCAPE);
    EXPECT_EQ(backend.Window(0), nullptr);
}

TEST_F(BusyStateTest, AJobThatRefusesToStartEndsAtTheFirstTick) {
    const CString before = Text(IDC_HEX_VIEW);
    dialog->StartJob(IDC_CREATE_IMAGE, &DiskDevice::StartSearch, JobParams{}); // no range
    EXPECT_EQ(Text(IDC_CREATE_IMAGE), "STOP");
    EXPECT_TRUE(backend.Enabled(IDC_CREATE_IMAGE));
    EXPECT_FALSE(backend.Enabled(IDC_SEARCH));
    backend.AdvanceTime(49);
    EXPECT_EQ(Text(IDC_CREATE_IMAGE), "STOP");
    backend.AdvanceTime(1);
    ExpectIdle();
    EXPECT_EQ(Text(IDC_HEX_VIEW), before);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "3");
}

TEST_F(BusyStateTest, ATimerMessageQueuedBeforeTheEndReappliesTheIdleState) {
    framework::Deliver(backend.Window(0), WM_TIMER, 0, 0);
    ExpectIdle();
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "3");
}

TEST_F(MainWindowTest, TheReadTestRunsFromTheMenuAndAFixedDiskKeepsItsImageButtonsOff) {
    StartOnDisk(4 << 20);
    Lock();
    JumpTo("8191");
    backend.ChooseCommand(ID_DRIVE_READ_TEST);
    EXPECT_EQ(Text(IDC_SEARCH), "STOP");
    FinishJob();
    EXPECT_EQ(Text(IDC_SEARCH), "Search");
    EXPECT_TRUE(backend.Enabled(IDC_LOCK));
    EXPECT_FALSE(backend.Enabled(IDC_CREATE_IMAGE));
    EXPECT_FALSE(backend.Enabled(IDC_RESTORE_IMAGE));
    EXPECT_EQ(Text(IDC_RATE), "");
    ASSERT_FALSE(backend.boxes.empty());
    EXPECT_NE(backend.boxes.back().text.Find("LBA  8191  -  8191"), -1)
        << "the test covers the sector on display only";
}

} // namespace
