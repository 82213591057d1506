#include "tests/framework/TestDialog.h"

#include "platform/framework/CommonDialogs.h"

using Timers = TestDialogFixture;

TEST_F(Timers, FireInOrderOfDueTimeAsTimePasses) {
    dialog.SetTimer(0, 50, nullptr);
    dialog.SetTimer(7, 30, nullptr);
    EXPECT_TRUE(backend.TimerRunning(0));
    backend.AdvanceTime(29);
    EXPECT_TRUE(dialog.timers.empty());
    backend.AdvanceTime(121); // now 150: 30, 50, 60, 90, 100, 120, then both at 150
    EXPECT_EQ(dialog.timers, (std::vector<UINT_PTR>{7, 0, 7, 7, 0, 7, 0, 7}));
}

TEST_F(Timers, AKilledTimerNoLongerFires) {
    dialog.SetTimer(0, 50, nullptr);
    dialog.killOnTick = {0};
    backend.AdvanceTime(500);
    EXPECT_EQ(dialog.timers.size(), 1u);
    EXPECT_FALSE(backend.TimerRunning(0));
    EXPECT_FALSE(dialog.KillTimer(0));
    framework::FireTimer(dialog.m_hWnd, 0); // a tick already on its way is dropped
    EXPECT_EQ(dialog.timers.size(), 1u);
}

TEST_F(Timers, SettingATimerAgainRestartsItsPeriod) {
    dialog.SetTimer(0, 50, nullptr);
    backend.AdvanceTime(40);
    dialog.SetTimer(0, 50, nullptr);
    backend.AdvanceTime(40);
    EXPECT_TRUE(dialog.timers.empty());
    backend.AdvanceTime(10);
    EXPECT_EQ(dialog.timers.size(), 1u);
}

TEST(MessageBoxes, TheApplicationsBoxHasItsNameAndTheMainWindowAsOwner) {
    InstallTestTemplates();
    framework::HeadlessBackend backend;
    EXPECT_EQ(AfxMessageBox("no app", MB_OK), IDOK);
    CWinApp app("Viewer");
    TestDialog main;
    app.m_pMainWnd = &main;
    backend.Open(main);
    backend.boxAnswers = {IDNO};
    EXPECT_EQ(AfxMessageBox("question", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "failed", "Error", MB_ICONINFORMATION), IDOK);
    ASSERT_EQ(backend.boxes.size(), 3u);
    EXPECT_EQ(backend.boxes[0].caption, "Kolm");
    EXPECT_FALSE(backend.boxes[0].owned);
    EXPECT_EQ(backend.boxes[1].caption, "Viewer");
    EXPECT_EQ(backend.boxes[1].text, "question");
    EXPECT_EQ(backend.boxes[1].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_TRUE(backend.boxes[1].owned);
    EXPECT_EQ(backend.boxes[2].caption, "Error");
    EXPECT_FALSE(backend.boxes[2].owned);
    backend.Close(main);
}

TEST(FileDialogs, TheDefaultExtensionGoesOnlyOnANameWithoutOne) {
    framework::HeadlessBackend backend;
    backend.fileAnswers = {CString("/tmp/disk"), CString("/tmp/disk.bin"), CString("/tmp/a.d/disk"),
                           std::nullopt};
    const char* filter = "Disk Image(*.img)|*.img||";
    CFileDialog save(FALSE, "img", nullptr, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, filter);
    ASSERT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), "/tmp/disk.img");
    ASSERT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), "/tmp/disk.bin");
    ASSERT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), "/tmp/a.d/disk.img") << "a dot in a folder is no extension";
    CFileDialog open(TRUE, "img", nullptr, OFN_READONLY, filter);
    EXPECT_EQ(open.DoModal(), IDCANCEL);
    EXPECT_EQ(open.DoModal(), IDCANCEL) << "no answer left: cancelled";

    ASSERT_EQ(backend.fileDialogs.size(), 5u);
    EXPECT_FALSE(backend.fileDialogs[0].open);
    EXPECT_EQ(backend.fileDialogs[0].flags, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY);
    EXPECT_EQ(backend.fileDialogs[0].filter, filter);
    EXPECT_EQ(backend.fileDialogs[0].defaultExtension, "img");
    EXPECT_TRUE(backend.fileDialogs[3].open);
    EXPECT_EQ(backend.fileDialogs[3].flags, OFN_READONLY);
}

TEST(Shell, OpenIsHandedToTheBackend) {
    framework::HeadlessBackend backend;
    HINSTANCE result = ShellExecuteA(nullptr, "open", "mailto:someone@example.org", nullptr,
                                     nullptr, SW_SHOWNORMAL);
    EXPECT_GT(reinterpret_cast<UINT_PTR>(result), 32u);
    EXPECT_EQ(backend.shellOpened, std::vector<CString>{"open mailto:someone@example.org"});
}

using Links = TestDialogFixture;

TEST_F(Links, CursorAndColourQueriesReachTheDialog) {
    static framework::Image hand;
    dialog.linkCursor = reinterpret_cast<HCURSOR>(&hand);
    backend.Hover(LINK);
    EXPECT_EQ(backend.cursor, dialog.linkCursor);
    EXPECT_EQ(framework::ImageOfCursor(backend.cursor), &hand);
    backend.Hover(LABEL);
    EXPECT_EQ(backend.cursor, nullptr) << "elsewhere the standard arrow";
    EXPECT_EQ(backend.TextColour(LINK), 0xFF0000u);
    EXPECT_EQ(backend.TextColour(LABEL), 0u);
}

TEST(Application, RunsItsLoopOnlyWhenInitialisationAsksForIt) {
    struct App : CWinApp {
        BOOL start = FALSE;
        int runs = 0;
        BOOL InitInstance() override { return start; }
        int Run() override { return ++runs; }
    };
    EXPECT_EQ(AfxWinMain(), -1) << "no application object";
    App app;
    EXPECT_EQ(AfxGetApp(), &app);
    EXPECT_EQ(AfxWinMain(), 0);
    EXPECT_EQ(app.runs, 0);
    app.start = TRUE;
    EXPECT_EQ(AfxWinMain(), 1);
}
