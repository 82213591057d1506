#include "tests/ui/MainWindowFixture.h"

#include "view/SectorNavigation.h"

#include "platform/framework/WindowBackend.h"

#include <limits>

namespace {

// 2048 sectors of 512 bytes, open.
class NavigationTest : public MainWindowTest {
protected:
    void SetUp() override {
        disk = &StartOnDisk(1 << 20);
        Lock();
    }
    void Command(int id) {
        framework::Deliver(backend.Window(0), WM_COMMAND,
                           MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), 0);
    }
    SimulatedDisk* disk = nullptr;
};

TEST_F(NavigationTest, MovesStopAtTheFirstAndTheLastSector) {
    backend.Click(IDC_PREV_SECTOR);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "0");
    backend.Click(IDC_NEXT_SECTOR);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "1");
    EXPECT_EQ(Text(IDC_HEX_VIEW).Left(12), " 0000000200 ");

    JumpTo("2047");
    EXPECT_EQ(Text(IDC_POSITION), "100.0000%");
    backend.Click(IDC_NEXT_SECTOR);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "2047");
    EXPECT_EQ(Text(IDC_HEX_VIEW).Left(12), " 00000FFE00 ");
}

TEST_F(NavigationTest, TheHiddenButtonsMoveAThousandSectors) {
    JumpTo("2");
    Command(IDC_PREV_FAST);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "0");
    JumpTo("2");
    Command(IDC_NEXT_FAST);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "1002");
    Command(IDC_NEXT_FAST);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "2002");
    Command(IDC_NEXT_FAST);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "2047");
}

struct JumpCase {
    const char* typed;
    const char* sector;
};

class JumpTarget : public NavigationTest, public ::testing::WithParamInterface<JumpCase> {};

TEST_P(JumpTarget, LandsOnTheSectorOfTheNumberTyped) {
    JumpTo("7");
    JumpTo(GetParam().typed);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), GetParam().sector);
    EXPECT_EQ(Text(IDC_JUMP_TARGET), GetParam().typed) << "the typed text stays";
}

INSTANTIATE_TEST_SUITE_P(MainWindow, JumpTarget,
                         ::testing::Values(JumpCase{"abc", "0"}, JumpCase{"", "0"},
                                           JumpCase{"-5", "0"}, JumpCase{"0x1F", "0"},
                                           JumpCase{"   12", "12"}, JumpCase{"12abc", "12"},
                                           JumpCase{"\t\r\n+12", "12"}, JumpCase{"+-12", "0"},
                                           JumpCase{"99999", "2047"},
                                           // beyond every product of 64 bits: still the last sector
                                           JumpCase{"9223372036854775807", "2047"},
                                           JumpCase{"36028797018963968", "2047"}));

TEST(JumpTargetText, ReadsSignAndDigitsWrappingAroundPastSixtyFourBits) {
    EXPECT_EQ(ParseJumpTarget(" -12x"), -12);
    EXPECT_EQ(ParseJumpTarget("\v\f+0034"), 34);
    EXPECT_EQ(ParseJumpTarget("+"), 0);
    EXPECT_EQ(ParseJumpTarget("- 5"), 0);
    EXPECT_EQ(ParseJumpTarget("9223372036854775807"), std::numeric_limits<LONGLONG>::max());
    EXPECT_EQ(ParseJumpTarget("-9223372036854775808"), std::numeric_limits<LONGLONG>::min());
    EXPECT_EQ(ParseJumpTarget("18446744073709551617"), 1);
    EXPECT_EQ(ParseJumpTarget("9223372036854775808"), std::numeric_limits<LONGLONG>::min());
}

TEST_F(MainWindowTest, CurShowsTheSectorAndTheDumpTheByteOffset) {
    StartOnDisk(4 << 20, 2048);
    Lock();
    JumpTo("12");
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "12");
    EXPECT_EQ(Text(IDC_HEX_VIEW).Left(12), " 0000006000 ");
    EXPECT_EQ(Text(IDC_POSITION), "  0.5862%"); // 12 / 2047
}

TEST_F(NavigationTest, TheSearchTypeChoosesTheTextPaneRendering) {
    disk->Fill(0, std::string_view("H\0i\0", 4));
    backend.Choose(IDC_SEARCH_TYPE, 3); // HEX renders as ASCII
    EXPECT_EQ(Text(IDC_TEXT_PANE).Left(4), "H.i.");
    backend.Choose(IDC_SEARCH_TYPE, 2);
    EXPECT_EQ(Text(IDC_TEXT_PANE).Left(3), "Hi ");
    backend.Choose(IDC_SEARCH_TYPE, 1);
    EXPECT_EQ(Text(IDC_TEXT_PANE).Left(4), "H i ");
}

TEST_F(NavigationTest, ArrowKeysMoveFromAnyControlButNotWithAlt) {
    backend.Focus(IDC_JUMP_TARGET);
    backend.PressKey(VK_RIGHT);
    backend.PressKey(VK_RIGHT);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "2");
    backend.Focus(IDC_SEARCH_TYPE);
    backend.PressKey(VK_LEFT);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "1");
    backend.PressKey(VK_RIGHT, true);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "1");
}

TEST_F(NavigationTest, MovesSelectTheListLineOfTheNewSectorExceptTheThousandSteps) {
    CListBox& list = dialog->SectorList();
    list.AddString(" 0000000400 second");
    list.AddString(" 0000000200 first");
    backend.Click(IDC_NEXT_SECTOR);
    EXPECT_EQ(backend.Selection(IDC_SECTOR_LIST), 0);
    backend.Click(IDC_NEXT_SECTOR);
    EXPECT_EQ(backend.Selection(IDC_SECTOR_LIST), 1);
    backend.Click(IDC_NEXT_SECTOR);
    EXPECT_EQ(backend.Selection(IDC_SECTOR_LIST), -1);
    JumpTo("1");
    EXPECT_EQ(backend.Selection(IDC_SECTOR_LIST), 0);
    Command(IDC_NEXT_FAST);
    EXPECT_EQ(backend.Selection(IDC_SECTOR_LIST), 0);
    backend.Click(IDC_PREV_SECTOR);
    EXPECT_EQ(backend.Selection(IDC_SECTOR_LIST), -1);
}

TEST_F(NavigationTest, AFailedReadEmptiesTheViewButShowsTheNewPosition) {
    disk->FailRead(5 * 512);
    JumpTo("5");
    EXPECT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Text(IDC_HEX_VIEW), "");
    EXPECT_EQ(Text(IDC_TEXT_PANE), "");
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "5");
}

TEST_F(NavigationTest, AfterUnlockTheKeysStillMoveAndTheReadOfTheClosedDeviceFails) {
    JumpTo("3");
    backend.Click(IDC_LOCK);
    ASSERT_TRUE(Errors().empty());
    backend.PressKey(VK_RIGHT);
    EXPECT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "1"); // closing went back to 0
    EXPECT_EQ(Text(IDC_HEX_VIEW), "");
}

TEST_F(MainWindowTest, ArrowKeysBeforeAnyDeviceWasOpenedLeaveEverythingAlone) {
    SimulatedDisk& disk = StartOnDisk(1 << 20);
    backend.PressKey(VK_RIGHT);
    backend.PressKey(VK_LEFT);
    EXPECT_EQ(dialog->Device().GetPosition(), 0);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "--------");
    EXPECT_TRUE(disk.Reads().empty());
    EXPECT_TRUE(backend.boxes.empty());
}

} // namespace
