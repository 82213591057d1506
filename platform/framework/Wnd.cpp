#include "platform/framework/Dialog.h"
#include "platform/framework/Menu.h"
#include "platform/framework/UiThread.h"
#include "platform/framework/WindowModel.h"
#include "platform/text/Cp932.h"

#include <algorithm>

using framework::Change;
using framework::FindWindowEntry;
using framework::Notify;

namespace {

// The platform's shortest timer period.
constexpr UINT USER_TIMER_MINIMUM = 10;

} // namespace

CDC::COLORREF CDC::SetTextColor(COLORREF colour) {
    COLORREF previous = m_textColour;
    m_textColour = colour;
    return previous;
}

CWnd::~CWnd() {
    framework::WindowEntry* entry = FindWindowEntry(m_hWnd);
    if (entry == nullptr || entry->record.handler != this)
        return;
    // An attached control hands its window back to its stand-in; a window of its own goes.
    if (entry->standIn != nullptr)
        entry->record.handler = entry->standIn.get();
    else
        DestroyWindow();
}

CWnd* CWnd::FromHandle(HWND window) {
    const framework::WindowRecord* record = framework::FindWindowRecord(window);
    return record == nullptr ? nullptr : record->handler;
}

int CWnd::GetDlgCtrlID() const {
    const framework::WindowRecord* record = framework::FindWindowRecord(m_hWnd);
    return record == nullptr ? 0 : record->id;
}

CWnd* CWnd::GetParent() const {
    const framework::WindowRecord* record = framework::FindWindowRecord(m_hWnd);
    return record == nullptr ? nullptr : FromHandle(record->parent);
}

CWnd* CWnd::GetDlgItem(int id) const {
    const framework::WindowRecord* record = framework::FindWindowRecord(m_hWnd);
    if (record == nullptr)
        return nullptr;
    for (HWND child : record->children)
        if (framework::FindWindowRecord(child)->id == id)
            return FromHandle(child);
    return nullptr;
}

DWORD CWnd::GetStyle() const {
    const framework::WindowRecord* record = framework::FindWindowRecord(m_hWnd);
    if (record == nullptr)
        return 0;
    return (record->style & ~(WS_VISIBLE | WS_DISABLED)) | (record->visible ? WS_VISIBLE : 0) |
           (record->enabled ? 0 : WS_DISABLED);
}

void CWnd::SetWindowText(const char* text) {
    framework::WindowEntry* entry = FindWindowEntry(m_hWnd);
    CString value(text);
    if (entry == nullptr || entry->record.text == value)
        return;
    entry->record.text = value;
    Notify(m_hWnd, Change::Text);
}

void CWnd::GetWindowText(CString& text) const {
    const framework::WindowRecord* record = framework::FindWindowRecord(m_hWnd);
    text = record == nullptr ? CString() : record->text;
}

int CWnd::GetWindowTextLength() const {
    const framework::WindowRecord* record = framework::FindWindowRecord(m_hWnd);
    return record == nullptr ? 0 : record->text.GetLength();
}

BOOL CWnd::EnableWindow(BOOL enable) {
    framework::WindowEntry* entry = FindWindowEntry(m_hWnd);
    if (entry == nullptr)
        return FALSE;
    bool wasEnabled = entry->record.enabled;
    entry->record.enabled = enable != FALSE;
    if (wasEnabled != entry->record.enabled)
        Notify(m_hWnd, Change::Enabled);
    return wasEnabled ? FALSE : TRUE;
}

BOOL CWnd::IsWindowEnabled() const {
    const framework::WindowRecord* record = framework::FindWindowRecord(m_hWnd);
    return record != nullptr && record->enabled ? TRUE : FALSE;
}

BOOL CWnd::ShowWindow(int command) {
    framework::WindowEntry* entry = FindWindowEntry(m_hWnd);
    if (entry == nullptr)
        return FALSE;
    bool wasVisible = entry->record.visible;
    entry->record.visible = command != SW_HIDE;
    if (wasVisible != entry->record.visible)
        Notify(m_hWnd, Change::Visible);
    return wasVisible ? TRUE : FALSE;
}

BOOL CWnd::IsWindowVisible() const {
    const framework::WindowRecord* record = framework::FindWindowRecord(m_hWnd);
    return record != nullptr && record->visible ? TRUE : FALSE;
}

CWnd* CWnd::SetFocus() {
    CWnd* previous = GetFocus();
    if (FindWindowEntry(m_hWnd) != nullptr)
        framework::SetFocusWindow(m_hWnd);
    return previous;
}

CWnd* CWnd::GetFocus() {
    return FromHandle(framework::FocusWindow());
}

BOOL CWnd::IsIconic() const {
    return (GetStyle() & WS_MINIMIZE) ? TRUE : FALSE;
}

void CWnd::GetClientRect(RECT* rect) const {
    const framework::WindowRecord* record = framework::FindWindowRecord(m_hWnd);
    *rect = RECT{0, 0, record == nullptr ? 0 : record->cx, record == nullptr ? 0 : record->cy};
}

// The backends draw from the records and redraw on every change; there is nothing
// to mark.
void CWnd::Invalidate(BOOL) {}

BOOL CWnd::DestroyWindow() {
    framework::WindowEntry* entry = FindWindowEntry(m_hWnd);
    if (entry == nullptr)
        return FALSE;
    HWND window = m_hWnd;
    for (const auto& [id, period] : entry->timers)
        framework::Backend().TimerChanged(window, id, period, false);
    framework::Backend().WindowDestroyed(window);
    framework::DestroyWindowEntry(window);
    return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    framework::RunOnUiThread(
        [&] { result = framework::Dispatch(window, message, wParam, lParam); });
    return result;
}

// The handle is read on the user-interface thread, which alone creates and
// destroys windows: a job may send to a control while the window closes.
LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    framework::RunOnUiThread(
        [&] { result = framework::Dispatch(m_hWnd, message, wParam, lParam); });
    return result;
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = m_hWnd;
    if (window == nullptr)
        return FALSE;
    framework::PostToUiThread([=] { framework::Dispatch(window, message, wParam, lParam); });
    return TRUE;
}

// Only window timers without a procedure are kept: each expiry is a WM_TIMER.
UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT milliseconds, void*) {
    framework::WindowEntry* entry = FindWindowEntry(m_hWnd);
    if (entry == nullptr)
        return 0;
    UINT period = std::max(milliseconds, USER_TIMER_MINIMUM);
    entry->timers[id] = period;
    framework::Backend().TimerChanged(m_hWnd, id, period, true);
    return id;
}

BOOL CWnd::KillTimer(UINT_PTR id) {
    framework::WindowEntry* entry = FindWindowEntry(m_hWnd);
    if (entry == nullptr)
        return FALSE;
    auto found = entry->timers.find(id);
    if (found == entry->timers.end())
        return FALSE;
    UINT period = found->second;
    entry->timers.erase(found);
    framework::Backend().TimerChanged(m_hWnd, id, period, false);
    return TRUE;
}

CMenu* CWnd::GetMenu() const {
    const framework::WindowRecord* record = framework::FindWindowRecord(m_hWnd);
    return record == nullptr ? nullptr : record->menu;
}

// The system menu is made when first asked for, with the close command; revert
// throws away what was added and gives no menu.
CMenu* CWnd::GetSystemMenu(BOOL revert) const {
    framework::WindowEntry* entry = FindWindowEntry(m_hWnd);
    if (entry == nullptr || !(entry->record.style & WS_SYSMENU))
        return nullptr;
    if (revert) {
        entry->record.systemMenu = nullptr;
        entry->systemMenu.reset();
        return nullptr;
    }
    if (entry->systemMenu == nullptr) {
        entry->systemMenu = std::make_unique<CMenu>();
        entry->systemMenu->CreatePopupMenu();
        entry->systemMenu->AppendMenu(MF_STRING, SC_CLOSE, Jp("閉じる").c_str());
        entry->record.systemMenu = entry->systemMenu.get();
    }
    return entry->systemMenu.get();
}

HICON CWnd::SetIcon(HICON icon, BOOL big) {
    framework::WindowEntry* entry = FindWindowEntry(m_hWnd);
    if (entry == nullptr)
        return nullptr;
    HICON& slot = big ? entry->record.bigIcon : entry->record.smallIcon;
    HICON previous = slot;
    slot = icon;
    Notify(m_hWnd, Change::Icon);
    return previous;
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type) {
    CString title = caption == nullptr ? framework::ApplicationName() : CString(caption);
    return MessageBoxA(m_hWnd, text, title, type);
}

BOOL CWnd::UpdateData(BOOL save) {
    CDataExchange exchange(this, save);
    DoDataExchange(&exchange);
    return TRUE;
}
