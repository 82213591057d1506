#pragma once
// A window backend without a screen, for tests: it does what a user does (click,
// type, choose, press keys, open menus, answer boxes and file dialogs, let time
// pass) on the user-interface thread, deterministically, and reads every control.
#include "platform/framework/WindowBackend.h"

#include <deque>
#include <functional>
#include <optional>

class CDialog;

namespace framework {

class HeadlessBackend : public WindowBackend {
public:
    HeadlessBackend();           // installs itself and makes the calling thread the UI thread
    ~HeadlessBackend() override; // uninstalls itself

    // Creates and initialises the dialog as its modal run would, and returns at once;
    // the test is then the dialog's message loop. Close ends it (Esc).
    void Open(CDialog& dialog);
    void Close(CDialog& dialog);

    // User actions on the open dialog (the one opened last), by control number. A
    // disabled or hidden control takes no action, as for a user.
    void Click(int id);                     // a button; a radio is checked first
    void Type(int id, const CString& text); // replaces an edit's text, as typed
    void Choose(int id, int index);         // combo or list box item, then its notification
    void DoubleClick(int id, int index);    // list box: selection change, then LBN_DBLCLK
    void PressKey(UINT virtualKey, bool alt = false); // to the control with the focus
    void Focus(int id);
    // Opens the popup at a path of menu-bar positions ({1, 2} is submenu 2 of menu 1),
    // with WM_INITMENUPOPUP for each level, and returns it.
    CMenu* OpenMenu(std::initializer_list<int> path);
    CMenu* OpenSystemMenu();
    // WM_COMMAND of a menu item; false, and nothing sent, when the item is greyed.
    bool ChooseCommand(UINT id);
    void ChooseSystemCommand(UINT id); // WM_SYSCOMMAND
    // Lets time pass: due timers fire in order; hand-overs are served.
    void AdvanceTime(UINT milliseconds);
    // Serves hand-overs of other threads until ready() holds; false when it still
    // does not after a generous guard of real time (a test fails instead of hanging).
    bool RunUntil(const std::function<bool()>& ready);
    // The mouse over a control: the dialog's cursor query (see cursor).
    void Hover(int id);
    // The text colour the dialog's colour query gives a static control.
    DWORD TextColour(int id);

    // What the controls show.
    HWND Window(int id) const; // a control of the open dialog; 0: the dialog
    CString Text(int id) const;
    bool Enabled(int id) const;
    bool Visible(int id) const;
    std::vector<CString> Items(int id) const;
    int Selection(int id) const;
    int Check(int id) const;
    int FocusId() const;
    bool TimerRunning(UINT_PTR id) const;

    struct Box {
        CString text;
        CString caption;
        UINT type = 0;
        bool owned = false; // owned by a window (the application's box) or not ("Error")
    };
    std::vector<Box> boxes;     // every box shown, in order
    std::deque<int> boxAnswers; // answers for the next boxes; IDOK when empty
    // Runs while a box is up, before it is answered: what a user does meanwhile
    // (a menu left open, a timer that fires). The box is boxes.back().
    std::function<void(const Box&)> onBox;
    std::vector<FileDialogRequest> fileDialogs;
    std::deque<std::optional<CString>> fileAnswers; // a path, or nullopt to cancel
    std::vector<CString> shellOpened;               // "verb target"
    std::function<void(CDialog&)> onModal;          // a nested modal dialog is open
    HCURSOR cursor = nullptr;

    void WindowCreated(HWND dialog) override;
    void WindowChanged(HWND window, Change what) override;
    void WindowDestroyed(HWND dialog) override;
    void RunModal(HWND dialog) override;
    void EndModal(HWND dialog) override;
    int ShowMessageBox(HWND owner, const CString& text, const CString& caption, UINT type) override;
    bool ShowFileDialog(FileDialogRequest& request) override;
    void ShellOpen(const CString& verb, const CString& target) override;
    void TimerChanged(HWND window, UINT_PTR id, UINT milliseconds, bool running) override;
    void CursorChanged(HCURSOR cursor) override;

private:
    struct Timer {
        HWND window;
        UINT_PTR id;
        UINT period;
        ULONGLONG due;
    };
    std::vector<Timer> m_timers;
    std::vector<HWND> m_open; // dialogs, the innermost last
    ULONGLONG m_now = 0;
};

} // namespace framework
