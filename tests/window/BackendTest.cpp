// The Qt backend with a small dialog of the tests' own: control kinds, the menu
// walk, the colour and cursor queries, timers, boxes and file-dialog filters.
#include "WindowTesting.h"

#include "platform/framework/UiThread.h"
#include "platform/qt/ListControl.h"
#include "platform/qt/OutsideWait.h"
#include "platform/qt/QtBoxes.h"
#include "platform/qt/QtText.h"
#include "platform/text/Cp932.h"
#include "resources/ProgramResources.h"
#include "resources/Resource.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace window_testing;

constexpr int kProbeDialog = 900;
constexpr int kProbeMenu = 901;
constexpr int kList = 10, kLink = 11, kLabel = 12, kFirstRadio = 13, kSecondRadio = 14;
constexpr UINT kFirstItem = 40001, kSecondItem = 40002;

framework::ControlTemplate Control(const char* windowClass, int id, const char* text, DWORD style,
                                   int x, int y, int cx, int cy) {
    framework::ControlTemplate control;
    control.windowClass = windowClass;
    control.id = id;
    control.text = text;
    control.style = WS_CHILD | WS_VISIBLE | style;
    control.x = x, control.y = y, control.cx = cx, control.cy = cy;
    return control;
}

void AddProbeResources() {
    framework::DialogTemplate dialog;
    dialog.id = kProbeDialog;
    dialog.caption = Jp("試験");
    dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_MODALFRAME;
    dialog.cx = 200, dialog.cy = 120;
    dialog.fontName = Jp("ＭＳ Ｐゴシック");
    dialog.fontPointSize = 9;
    dialog.menuId = kProbeMenu;
    dialog.controls = {
        Control("ListBox", kList, "", LBS_NOTIFY | LBS_SORT | WS_VSCROLL | WS_BORDER, 5, 5, 90, 60),
        Control("Static", kLink, "https://example.org", SS_NOTIFY, 100, 5, 90, 8),
        Control("Static", kLabel, "label", SS_LEFT, 100, 15, 90, 8),
        Control("Button", kFirstRadio, "A", BS_AUTORADIOBUTTON | WS_GROUP, 100, 30, 40, 10),
        Control("Button", kSecondRadio, "B", BS_AUTORADIOBUTTON, 100, 42, 40, 10),
    };
    framework::Resources().dialogs[kProbeDialog] = dialog;

    framework::MenuItemTemplate first, second, popup;
    first.text = Jp("最初");
    first.id = kFirstItem;
    second.text = Jp("二番目");
    second.id = kSecondItem;
    popup.text = Jp("メニュー(&M)");
    popup.popup = true;
    popup.items = {first, second};
    framework::MenuTemplate menu;
    menu.id = kProbeMenu;
    menu.items = {popup};
    framework::Resources().menus[kProbeMenu] = menu;
}

class ProbeDialog : public CDialog {
public:
    ProbeDialog() : CDialog(kProbeDialog) {}
    std::vector<std::pair<int, WORD>> notifications;
    std::vector<UINT> commands;
    int ticks = 0;
    HCURSOR hand = nullptr;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (lParam != 0)
            notifications.emplace_back(LOWORD(wParam), HIWORD(wParam));
        else
            commands.push_back(LOWORD(wParam));
        return CDialog::OnCommand(wParam, lParam);
    }
    void OnTimer(UINT_PTR) override { ++ticks; }
    void OnInitMenuPopup(CMenu* popup, UINT, BOOL) override {
        popup->CheckMenuItem(0, MF_BYPOSITION | MF_CHECKED);
        popup->EnableMenuItem(1, MF_BYPOSITION | MF_GRAYED | MF_DISABLED);
    }
    HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind) override {
        HBRUSH brush = CDialog::OnCtlColor(dc, control, kind);
        if (control != nullptr && control->GetDlgCtrlID() == kLink)
            dc->SetTextColor(0xFF0000); // blue, in blue-green-red order
        return brush;
    }
    BOOL OnSetCursor(CWnd* window, UINT hitTest, UINT message) override {
        if (window != nullptr && window->GetDlgCtrlID() == kLink) {
            SetCursor(hand);
            return TRUE;
        }
        return CDialog::OnSetCursor(window, hitTest, message);
    }
};

class BackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application();
        std::string reason;
        ASSERT_TRUE(LoadProgramResources(&reason)) << reason;
        AddProbeResources();
        framework::SetUiThread();
        m_backend = std::make_unique<qt::QtBackend>();
        m_dialog.hand = WinApp().LoadCursor(IDC_HAND);
        ASSERT_TRUE(m_dialog.CreateFromTemplate());
        Settle();
    }
    void TearDown() override {
        m_dialog.DestroyWindow();
        Settle();
        m_backend.reset();
    }
    template <class T> T* Widget(int id) { return ControlWidget<T>(*m_backend, m_dialog, id); }

    std::unique_ptr<qt::QtBackend> m_backend;
    ProbeDialog m_dialog;
};

TEST_F(BackendTest, ListShowsTheModelsSortedOrderAndReportsTheUsersChoice) {
    auto& list = static_cast<CListBox&>(*m_dialog.GetDlgItem(kList));
    for (const char* line : {"0000000400 b", "0000000000 a", "0000000200 c"})
        list.AddString(line);
    auto* widget = Widget<QListWidget>(kList);
    ASSERT_NE(widget, nullptr);
    ASSERT_EQ(widget->count(), 3);
    for (int i = 0; i < 3; ++i) {
        CString line;
        list.GetText(i, line);
        EXPECT_EQ(widget->item(i)->text(), qt::ToQString(line));
    }
    list.SetCurSel(1);
    EXPECT_EQ(widget->currentRow(), 1);
    EXPECT_TRUE(m_dialog.notifications.empty()) << "the program's change is not the user's";

    widget->setCurrentRow(2);
    EXPECT_EQ(list.GetCurSel(), 2);
    ASSERT_EQ(m_dialog.notifications.size(), 1u);
    EXPECT_EQ(m_dialog.notifications[0], std::make_pair(kList, LBN_SELCHANGE));
}

TEST_F(BackendTest, ClickingARadioLeavesOnlyItCheckedInItsGroup) {
    auto* first = Widget<QRadioButton>(kFirstRadio);
    auto* second = Widget<QRadioButton>(kSecondRadio);
    ASSERT_TRUE(first != nullptr && second != nullptr);
    first->click();
    second->click();
    EXPECT_FALSE(first->isChecked());
    EXPECT_TRUE(second->isChecked());
    EXPECT_EQ(static_cast<CButton*>(m_dialog.GetDlgItem(kFirstRadio))->GetCheck(), 0);
    EXPECT_EQ(m_dialog.notifications.back(), std::make_pair(kSecondRadio, BN_CLICKED));
}

TEST_F(BackendTest, OpeningAPopupLetsTheDialogSetItsItemsFirst) {
    auto* bar = m_backend->WidgetOf(m_dialog.GetSafeHwnd())->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->actions().size(), 1);
    QMenu* popup = bar->actions()[0]->menu();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->actions()[1]->isEnabled()); // as the resource has it
    popup->popup(QPoint(0, 0));
    Settle();
    ASSERT_EQ(popup->actions().size(), 2);
    EXPECT_TRUE(popup->actions()[0]->isChecked());
    EXPECT_FALSE(popup->actions()[1]->isEnabled());
    popup->actions()[0]->trigger();
    popup->hide();
    ASSERT_EQ(m_dialog.commands.size(), 1u);
    EXPECT_EQ(m_dialog.commands[0], kFirstItem);
}

TEST_F(BackendTest, TheColourAndCursorQueriesDecideForTheLinkOnly) {
    auto* link = Widget<QLabel>(kLink);
    auto* label = Widget<QLabel>(kLabel);
    ASSERT_TRUE(link != nullptr && label != nullptr);
    EXPECT_EQ(link->palette().color(QPalette::Active, QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_NE(label->palette().color(QPalette::Active, QPalette::WindowText), QColor(0, 0, 255));

    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(link, &enter);
    EXPECT_EQ(link->cursor().hotSpot(), QPoint(13, 5)); // the hand of cursor resource 132
    QApplication::sendEvent(label, &enter);
    EXPECT_FALSE(label->testAttribute(Qt::WA_SetCursor));
}

TEST_F(BackendTest, AWindowTimerFiresThroughQt) {
    m_dialog.SetTimer(1, 10, nullptr);
    QElapsedTimer clock;
    clock.start();
    while (m_dialog.ticks < 3 && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    m_dialog.KillTimer(1);
    const int ticks = m_dialog.ticks;
    EXPECT_GE(ticks, 3);
    Settle();
    EXPECT_EQ(m_dialog.ticks, ticks) << "a killed timer fired";
}

TEST_F(BackendTest, AMessageBoxShowsTheTextAndAnswersWithTheButtonPressed) {
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        shown = box->text();
        box->button(QMessageBox::No)->click();
    });
    const int answer = m_backend->ShowMessageBox(m_dialog.GetSafeHwnd(), Jp("続けますか？"), "Kolm",
                                                 MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(shown, QStringLiteral("続けますか？"));
    EXPECT_EQ(answer, IDNO);
}

// While the window's thread waits for another process (polkit asking for a
// password), its events go on: the dialog is painted and its timers fire.
TEST_F(BackendTest, AWaitForAnotherProcessKeepsTheWindowsEventsGoing) {
    bool painted = false;
    QTimer::singleShot(0, [&] {
        m_backend->WidgetOf(m_dialog.GetSafeHwnd())->repaint();
        painted = true;
    });
    qt::WaitPainting([&] { return painted; });
    EXPECT_TRUE(painted);
}

TEST(QtFilters, PairsOfTextAndPatternsBecomeQtNameFilters) {
    EXPECT_EQ(qt::QtNameFilters("Disk Image(*.img)|*.img||"),
              QStringList{QStringLiteral("Disk Image(*.img) (*.img)")});
    EXPECT_EQ(qt::QtNameFilters("A|*.a;*.b|B|*.c||"),
              (QStringList{QStringLiteral("A (*.a *.b)"), QStringLiteral("B (*.c)")}));
}

TEST(QtText, CodePage932AndUnicodeMeetOnlyHere) {
    EXPECT_EQ(qt::ToQString(CString("\x83\x8D\x83\x62\x83\x4E")), QStringLiteral("ロック"));
    EXPECT_EQ(qt::FromQStringLines(QStringLiteral("a\nb")), CString("a\r\nb"));
    EXPECT_EQ(qt::ToQStringLines(CString("a\r\nb")), QStringLiteral("a\nb"));
}

} // namespace
