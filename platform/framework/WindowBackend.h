#pragma once
// What a window backend sees of the window model, and what it must provide. The
// model keeps every window's state; the backend shows it, is told of each change,
// and reports user input by calling Deliver on the user-interface thread.
#include "platform/framework/Menu.h"
#include "platform/framework/Resources.h"
#include "platform/framework/Wnd.h"

#include <functional>
#include <vector>

class CDialog;

namespace framework {

struct WindowRecord {
    HWND hwnd = nullptr;
    HWND parent = nullptr;
    CWnd* handler = nullptr; // receives the window's messages
    CString windowClass;     // "#32770" for a dialog, else the control's class
    int id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0; // dialog units
    CString text;
    bool enabled = true;
    bool visible = true;
    std::vector<CString> items; // combo and list boxes
    int selection = -1;
    int check = 0;
    std::vector<HWND> children;             // dialogs: controls in template order
    const DialogTemplate* dialog = nullptr; // dialogs: their template
    CMenu* menu = nullptr;                  // dialogs: the menu bar, if any
    CMenu* systemMenu = nullptr;
    HICON bigIcon = nullptr, smallIcon = nullptr;
};

enum class Change { Text, Enabled, Visible, Items, Selection, Check, Focus, Icon, Menu };

struct FileDialogRequest {
    bool open = true;
    HWND owner = nullptr;
    CString defaultExtension;
    CString filter; // "Display(*.x)|*.x||"
    DWORD flags = 0;
    CString initialName;
    CString initialFolder; // where it opens; empty: the working folder
    CString chosenPath;    // set by the backend on success
};

class WindowBackend {
public:
    virtual ~WindowBackend() = default;
    virtual void WindowCreated(HWND dialog) = 0; // a dialog with all its controls
    // A change the program made; text, selection and check the user sets (the Set
    // calls below) are not reported back. Menu items are read when a popup opens, after
    // WM_INITMENUPOPUP.
    virtual void WindowChanged(HWND window, Change what) = 0;
    virtual void WindowDestroyed(HWND dialog) = 0;
    // Runs the dialog's modal loop until EndModal; the model has created it already.
    virtual void RunModal(HWND dialog) = 0;
    virtual void EndModal(HWND dialog) = 0;
    virtual int ShowMessageBox(HWND owner, const CString& text, const CString& caption,
                               UINT type) = 0;
    virtual bool ShowFileDialog(FileDialogRequest& request) = 0;
    virtual void ShellOpen(const CString& verb, const CString& target) = 0;
    virtual void TimerChanged(HWND window, UINT_PTR id, UINT milliseconds, bool running) = 0;
    virtual void CursorChanged(HCURSOR cursor) = 0; // null: the standard arrow
};

// Null uninstalls; without a backend nothing is shown (boxes answer IDOK, file
// dialogs are cancelled) and a box asked for on any thread is answered there.
void InstallBackend(WindowBackend* backend);
bool BackendInstalled();
WindowBackend& Backend();

const WindowRecord* FindWindowRecord(HWND window);
// The image behind an icon or cursor handle of LoadIcon/LoadCursor; null if none.
const Image* ImageOfIcon(HICON icon);
const Image* ImageOfCursor(HCURSOR cursor);

// Hands user input to the model: key messages pass the dialog's
// PreTranslateMessage first, and their result is TRUE when the program took the
// key (eaten there, or Enter/Esc made the dialog's OK/Cancel); state a user
// changes in a control (typed text, a checked radio, a chosen item) is set with the
// Set calls before the notification.
LRESULT Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void SetTextFromUser(HWND control, const CString& text);
void SetSelectionFromUser(HWND control, int index);
void SetCheckFromUser(HWND control, int check);
void SetFocusFromUser(HWND control);
// Fires a timer of the model (the backend's clock says it is due).
void FireTimer(HWND window, UINT_PTR id);

} // namespace framework
