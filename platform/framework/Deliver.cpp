#include "platform/framework/Dialog.h"
#include "platform/framework/WindowModel.h"

namespace framework {
namespace {

bool IsKey(UINT message) {
    return message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
}

// The dialog a window belongs to: itself, or the dialog of a control.
HWND DialogOf(HWND window) {
    const WindowRecord* record = FindWindowRecord(window);
    if (record != nullptr && record->dialog == nullptr)
        return record->parent;
    return window;
}

// From the window up to its dialog, as the framework walks the pre-translation tree.
bool PreTranslated(MSG& message) {
    HWND dialog = DialogOf(message.hwnd);
    for (HWND window = message.hwnd; window != nullptr;) {
        CWnd* handler = CWnd::FromHandle(window);
        if (handler != nullptr && handler->PreTranslateMessage(&message))
            return true;
        window = window == dialog ? nullptr : FindWindowRecord(window)->parent;
    }
    return false;
}

LRESULT DeliverKey(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{window, message, wParam, lParam, 0};
    if (PreTranslated(msg))
        return TRUE;
    // The dialog's own keyboard handling: Enter is OK and Esc is Cancel.
    if (message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
        WORD command = wParam == VK_RETURN ? IDOK : IDCANCEL;
        Dispatch(DialogOf(window), WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
        return TRUE;
    }
    // Not taken: a backend lets the control have the key.
    Dispatch(window, message, wParam, lParam);
    return FALSE;
}

} // namespace

LRESULT Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (FindWindowRecord(window) == nullptr)
        return 0;
    if (IsKey(message))
        return DeliverKey(window, message, wParam, lParam);
    return Dispatch(window, message, wParam, lParam);
}

void SetTextFromUser(HWND control, const CString& text) {
    if (WindowEntry* entry = FindWindowEntry(control))
        entry->record.text = text;
}

void SetSelectionFromUser(HWND control, int index) {
    WindowEntry* entry = FindWindowEntry(control);
    if (entry == nullptr)
        return;
    bool valid = index >= 0 && index < static_cast<int>(entry->record.items.size());
    entry->record.selection = valid ? index : -1;
}

// Checking an auto radio clears the others of its group, as the platform does;
// those changes are the model's and are reported.
void SetCheckFromUser(HWND control, int check) {
    WindowEntry* entry = FindWindowEntry(control);
    if (entry == nullptr)
        return;
    entry->record.check = check;
    if (!check || !IsAutoRadio(entry->record))
        return;
    for (HWND other : RadioGroupOf(control)) {
        WindowEntry* otherEntry = FindWindowEntry(other);
        if (other != control && otherEntry->record.check != 0) {
            otherEntry->record.check = 0;
            Notify(other, Change::Check);
        }
    }
}

void SetFocusFromUser(HWND control) {
    if (FindWindowEntry(control) != nullptr)
        SetFocusWindow(control);
}

void FireTimer(HWND window, UINT_PTR id) {
    WindowEntry* entry = FindWindowEntry(window);
    if (entry != nullptr && entry->timers.count(id) != 0)
        Dispatch(window, WM_TIMER, id, 0);
}

} // namespace framework
