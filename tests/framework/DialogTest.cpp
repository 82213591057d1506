#include "tests/framework/TestDialog.h"

#include "platform/framework/WindowBackend.h"

using framework::FindWindowRecord;

using DialogFromTemplate = TestDialogFixture;

TEST_F(DialogFromTemplate, HasOneRecordPerControlWithTheTemplatesState) {
    const framework::WindowRecord* record = FindWindowRecord(backend.Window(0));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->text, "Test");
    EXPECT_EQ(record->children.size(), 12u);
    EXPECT_EQ(backend.Text(EDIT_READONLY), "fixed");
    EXPECT_FALSE(backend.Visible(HIDDEN));
    EXPECT_FALSE(backend.Enabled(DISABLED));
    EXPECT_TRUE(backend.Enabled(BUTTON));
    EXPECT_EQ(backend.Items(COMBO), (std::vector<CString>{"zero", "one", "two"}));
    // The first control a tab reaches has the focus.
    EXPECT_EQ(backend.FocusId(), EDIT_NAME);
    // A member control handles its window; the others get objects of their kind.
    EXPECT_EQ(CWnd::FromHandle(backend.Window(LIST)), &dialog.list);
    EXPECT_NE(dynamic_cast<CComboBox*>(dialog.GetDlgItem(COMBO)), nullptr);
    EXPECT_NE(dynamic_cast<CButton*>(dialog.GetDlgItem(RADIO_A)), nullptr);
    EXPECT_EQ(dialog.GetDlgItem(EDIT_NAME)->GetParent(), &dialog);
}

TEST_F(DialogFromTemplate, InitialisationWritesTheValuesIntoTheControls) {
    EXPECT_EQ(backend.Text(EDIT_NAME), "start");
    EXPECT_EQ(backend.Selection(COMBO), 1);
    EXPECT_EQ(backend.Check(RADIO_A), 0);
    EXPECT_EQ(backend.Check(RADIO_B), 1);
}

TEST_F(DialogFromTemplate, ReadingTheControlsTakesWhatTheUserChanged) {
    backend.Type(EDIT_NAME, "typed");
    backend.Choose(COMBO, 2);
    backend.Click(RADIO_A);
    EXPECT_EQ(backend.Check(RADIO_B), 0) << "an auto radio clears its group";
    dialog.UpdateData(TRUE);
    EXPECT_EQ(dialog.name, "typed");
    EXPECT_EQ(dialog.choice, 2);
    EXPECT_EQ(dialog.radio, 0);
    EXPECT_EQ(dialog.Notifications(COMBO, CBN_SELCHANGE), 1);
    EXPECT_EQ(dialog.Notifications(RADIO_A, BN_CLICKED), 1);

    dialog.name = "written";
    dialog.choice = -1;
    dialog.radio = -1;
    dialog.UpdateData(FALSE);
    EXPECT_EQ(backend.Text(EDIT_NAME), "written");
    EXPECT_EQ(backend.Selection(COMBO), -1);
    EXPECT_EQ(backend.Check(RADIO_A) + backend.Check(RADIO_B), 0);
}

TEST_F(DialogFromTemplate, ControlsAUserCannotReachTakeNoAction) {
    backend.Click(DISABLED);
    backend.Click(HIDDEN);
    backend.Click(LABEL); // a static without the notify style
    backend.Type(EDIT_READONLY, "changed");
    EXPECT_TRUE(dialog.commands.empty());
    EXPECT_EQ(backend.Text(EDIT_READONLY), "fixed");

    backend.Click(LINK);
    EXPECT_EQ(dialog.Notifications(LINK, STN_CLICKED), 1);
}

TEST_F(DialogFromTemplate, EnablingShowingAndCaptionsReportThePreviousState) {
    CWnd* button = dialog.GetDlgItem(BUTTON);
    EXPECT_FALSE(button->EnableWindow(FALSE));
    EXPECT_TRUE(button->EnableWindow(TRUE));
    EXPECT_TRUE(button->ShowWindow(SW_HIDE));
    EXPECT_FALSE(backend.Visible(BUTTON));
    EXPECT_FALSE(button->GetStyle() & WS_VISIBLE);
    EXPECT_FALSE(button->ShowWindow(SW_SHOW));
    button->SetWindowText("STOP");
    EXPECT_EQ(backend.Text(BUTTON), "STOP");
    EXPECT_EQ(button->GetWindowTextLength(), 4);
}

TEST_F(DialogFromTemplate, EnterIsOkWithItsDataExchangeAndEscIsCancel) {
    backend.Type(EDIT_NAME, "kept");
    backend.PressKey(VK_RETURN);
    EXPECT_EQ(dialog.Notifications(IDOK, BN_CLICKED), 1);
    EXPECT_EQ(dialog.name, "kept");
    EXPECT_EQ(backend.Window(0), nullptr) << "OK ends the dialog";
}

TEST_F(DialogFromTemplate, TheCloseBoxIsCancel) {
    backend.ChooseSystemCommand(SC_CLOSE);
    EXPECT_EQ(dialog.Notifications(IDCANCEL, BN_CLICKED), 1);
    EXPECT_EQ(backend.Window(0), nullptr);
}

TEST_F(DialogFromTemplate, KeysPassThePreTranslationHookFirst) {
    backend.PressKey(VK_LEFT);
    EXPECT_EQ(dialog.keys, std::vector<UINT>{VK_LEFT});

    dialog.eatKeys = true;
    backend.PressKey(VK_ESCAPE);
    EXPECT_NE(backend.Window(0), nullptr) << "an eaten Esc does not reach the dialog";
    dialog.eatKeys = false;
    backend.Focus(BUTTON);
    backend.PressKey(VK_ESCAPE);
    EXPECT_EQ(dialog.keys.size(), 3u);
    EXPECT_EQ(dialog.Notifications(IDCANCEL, BN_CLICKED), 1);
    EXPECT_EQ(backend.Window(0), nullptr);
}

TEST_F(DialogFromTemplate, ClosingDetachesTheObjects) {
    backend.Close(dialog);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.list.m_hWnd, nullptr);
    EXPECT_EQ(backend.Window(0), nullptr);
}

namespace {

// Opens a second test dialog modally from a button of the first.
class OuterDialog : public TestDialog {
public:
    LONG_PTR innerResult = 0;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (LOWORD(wParam) == BUTTON) {
            TestDialog inner;
            innerResult = inner.DoModal();
            return TRUE;
        }
        return TestDialog::OnCommand(wParam, lParam);
    }
};

} // namespace

TEST(ModalDialog, RunsUntilItEndsAndReturnsItsCode) {
    InstallTestTemplates();
    framework::HeadlessBackend backend;
    TestDialog dialog;
    backend.onModal = [&](CDialog& open) {
        EXPECT_EQ(&open, &dialog);
        backend.Type(EDIT_NAME, "modal");
        backend.PressKey(VK_RETURN);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.name, "modal");
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(ModalDialog, ANestedDialogIsTheOpenOneUntilItEnds) {
    InstallTestTemplates();
    framework::HeadlessBackend backend;
    OuterDialog outer;
    backend.Open(outer);
    HWND outerWindow = backend.Window(0);

    HWND seen = nullptr;
    backend.onModal = [&](CDialog&) { seen = backend.Window(0); };
    backend.Click(BUTTON);
    EXPECT_NE(seen, nullptr);
    EXPECT_NE(seen, outerWindow);
    EXPECT_EQ(outer.innerResult, IDCANCEL) << "left open, it is cancelled";
    EXPECT_EQ(backend.Window(0), outerWindow);
    EXPECT_EQ(FindWindowRecord(seen), nullptr);

    backend.onModal = nullptr;
    backend.Click(BUTTON);
    EXPECT_EQ(outer.innerResult, IDCANCEL);
    backend.Close(outer);
}

TEST(ModalDialog, WithoutATemplateFails) {
    framework::HeadlessBackend backend;
    CDialog missing(4242);
    EXPECT_EQ(missing.DoModal(), -1);
}
