#include "tests/ui/MainWindowFixture.h"

#include "ui/ViewerApp.h"
#include "view/ControlSets.h"

namespace {

TEST_F(MainWindowTest, OpensWithTheDriveListAndOnlyTheDriveChoiceUsable) {
    SimulatedDisk& first = machine.AddDisk(64 << 20);
    machine.AddLetter('C', first);
    machine.AddLetter('E', first, 1 << 20, 8 << 20);
    SimulatedDisk& floppy = machine.AddMedium(1474560);
    machine.AddLetter('A', floppy);
    machine.NoExtents('A');
    Start();

    EXPECT_EQ(backend.Items(IDC_DRIVE_LIST), (std::vector<CString>{" * - (A:)", " 0 - (CE:)"}));
    EXPECT_EQ(backend.Selection(IDC_DRIVE_LIST), -1);
    EXPECT_TRUE(backend.Enabled(IDC_DRIVE_LIST));
    EXPECT_TRUE(backend.Enabled(IDC_LOCK));
    for (int id : kStartUpSet)
        EXPECT_FALSE(backend.Enabled(id)) << id;

    for (int id : {IDC_CYLINDERS, IDC_HEADS, IDC_SECTORS_PER_TRACK, IDC_BYTES_PER_SECTOR})
        EXPECT_EQ(Text(id), "---") << id;
    EXPECT_EQ(Text(IDC_LAST_LBA), "--------");
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "--------");
    EXPECT_EQ(Text(IDC_JUMP_TARGET), "0");
    EXPECT_EQ(Text(IDC_POSITION), "");
    EXPECT_EQ(Text(IDC_RATE), "");
    EXPECT_EQ(Text(IDC_LOCK), "Lock");
    EXPECT_EQ(Title(), "Kolm");
    EXPECT_EQ(backend.Items(IDC_SEARCH_TYPE),
              (std::vector<CString>{"ASCII", "SJIS", "Unicode", "HEX", "HEX(Header)"}));
    EXPECT_EQ(backend.Selection(IDC_SEARCH_TYPE), 0);

    EXPECT_TRUE(backend.Visible(IDC_HEX_VIEW));
    EXPECT_FALSE(backend.Visible(IDC_SECTOR_LIST));
    EXPECT_EQ(dialog->ViewMode(), 0);
    for (int id : {IDC_PREV_FAST, IDC_NEXT_FAST, IDC_RADIO_ASCII, IDC_RADIO_SJIS, IDC_MEDIA_TYPE})
        EXPECT_FALSE(backend.Visible(id)) << id;

    const framework::WindowRecord* window = framework::FindWindowRecord(backend.Window(0));
    ASSERT_NE(window, nullptr);
    EXPECT_NE(window->menu, nullptr);
    EXPECT_NE(window->bigIcon, nullptr);
    EXPECT_EQ(window->bigIcon, window->smallIcon);
}

TEST_F(MainWindowTest, ViewModeShowsExactlyOneOfHexViewAndSectorList) {
    Start();
    dialog->SetViewMode(1);
    EXPECT_TRUE(backend.Visible(IDC_SECTOR_LIST));
    EXPECT_FALSE(backend.Visible(IDC_HEX_VIEW));
    EXPECT_EQ(dialog->ViewMode(), 1);
    dialog->SetViewMode(7);
    EXPECT_FALSE(backend.Visible(IDC_SECTOR_LIST));
    EXPECT_TRUE(backend.Visible(IDC_HEX_VIEW));
    EXPECT_EQ(dialog->ViewMode(), 0);
}

TEST_F(MainWindowTest, EnterChangesNothingAndEscEndsTheWindowReleasingTheDevice) {
    SimulatedDisk& disk = StartOnDisk(8 << 20);
    Lock();
    ASSERT_TRUE(disk.Claimed());

    backend.Focus(IDC_JUMP_TARGET);
    backend.PressKey(VK_RETURN);
    backend.Click(IDOK);
    ASSERT_NE(backend.Window(0), nullptr);
    EXPECT_EQ(Text(IDC_LOCK), "Unlock");

    backend.PressKey(VK_ESCAPE);
    EXPECT_EQ(backend.Window(0), nullptr);
    dialog.reset();
    EXPECT_FALSE(disk.Claimed());
    EXPECT_EQ(disk.OpenCount(), 0);
}

TEST_F(MainWindowTest, TheApplicationRunsTheWindowModallyAndThenLetsTheProcessEnd) {
    int modalRuns = 0;
    backend.onModal = [&](CDialog& modal) {
        ++modalRuns;
        EXPECT_EQ(modal.TemplateId(), static_cast<UINT>(IDD_KOLM_DIALOG));
        EXPECT_EQ(theApp.m_pMainWnd, &modal);
        backend.Close(modal);
    };
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_EQ(modalRuns, 1);
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
}

} // namespace
