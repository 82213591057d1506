#pragma once
// A small dialog built in code, with one control of each kind and a menu, that
// records every message its handlers see.
#include "platform/framework/Dialog.h"
#include "platform/framework/HeadlessBackend.h"
#include "platform/framework/Menu.h"
#include "platform/framework/Resources.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

inline constexpr UINT TEST_DIALOG = 9001;
inline constexpr UINT TEST_MENU = 9002;
inline constexpr int EDIT_NAME = 10, EDIT_READONLY = 11, COMBO = 20, LIST = 30, RADIO_A = 40,
                     RADIO_B = 41, LINK = 50, LABEL = 51, HIDDEN = 60, DISABLED = 61, BUTTON = 62;
inline constexpr UINT CMD_OPEN = 100, CMD_DEEP = 101, CMD_ABOUT = 102, CMD_CHECK = 103;

void InstallTestTemplates();

// Lines of the list box in reverse text order, to show that the list follows its
// object's CompareItem.
class ReverseListBox : public CListBox {
public:
    int CompareItem(const CString& a, const CString& b) const override {
        return CListBox::CompareItem(b, a);
    }
};

class TestDialog : public CDialog {
public:
    TestDialog() : CDialog(TEST_DIALOG) {}

    CString name = "start";
    int choice = 1;
    int radio = 1;
    ReverseListBox list;
    bool eatKeys = false;
    bool greyOpen = false; // the menu walk greys CMD_OPEN by position
    HCURSOR linkCursor = nullptr;

    std::vector<std::pair<int, int>> commands; // control or command, notification
    std::vector<UINT_PTR> timers;
    std::vector<UINT_PTR> killOnTick; // timers that stop themselves when they fire
    std::vector<std::pair<CMenu*, bool>> popups;
    std::vector<UINT> keys;
    std::vector<UINT> systemCommands;

    int Notifications(int id, int code) const {
        int count = 0;
        for (const auto& [control, notification] : commands)
            count += control == id && notification == code;
        return count;
    }

protected:
    void DoDataExchange(CDataExchange* exchange) override {
        DDX_Control(exchange, LIST, list);
        DDX_Text(exchange, EDIT_NAME, name);
        DDX_CBIndex(exchange, COMBO, choice);
        DDX_Radio(exchange, RADIO_A, radio);
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
        return CDialog::OnCommand(wParam, lParam);
    }
    void OnTimer(UINT_PTR id) override {
        timers.push_back(id);
        if (std::find(killOnTick.begin(), killOnTick.end(), id) != killOnTick.end())
            KillTimer(id);
    }
    void OnInitMenuPopup(CMenu* popup, UINT, BOOL systemMenu) override {
        popups.emplace_back(popup, systemMenu != FALSE);
        for (UINT i = 0; i < popup->GetMenuItemCount(); ++i)
            if (greyOpen && popup->GetMenuItemID(static_cast<int>(i)) == CMD_OPEN)
                popup->EnableMenuItem(i, MF_BYPOSITION | MF_DISABLED | MF_GRAYED);
    }
    void OnSysCommand(UINT id, LPARAM lParam) override {
        systemCommands.push_back(id);
        CDialog::OnSysCommand(id, lParam);
    }
    BOOL PreTranslateMessage(MSG* message) override {
        if (message->message == WM_KEYDOWN)
            keys.push_back(static_cast<UINT>(message->wParam));
        return eatKeys ? TRUE : FALSE;
    }
    HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind) override {
        HBRUSH brush = CDialog::OnCtlColor(dc, control, kind);
        if (control != nullptr && control->GetDlgCtrlID() == LINK)
            dc->SetTextColor(0xFF0000);
        return brush;
    }
    BOOL OnSetCursor(CWnd* window, UINT hitTest, UINT message) override {
        if (window != nullptr && window->GetDlgCtrlID() == LINK) {
            SetCursor(linkCursor);
            return TRUE;
        }
        return CDialog::OnSetCursor(window, hitTest, message);
    }
};

// A headless backend with the test dialog open.
class TestDialogFixture : public ::testing::Test {
protected:
    void SetUp() override {
        InstallTestTemplates();
        backend.Open(dialog);
        ASSERT_NE(backend.Window(0), nullptr);
    }

    framework::HeadlessBackend backend;
    TestDialog dialog;
};
