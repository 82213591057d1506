#include "platform/framework/HeadlessBackend.h"
#include "platform/framework/Dialog.h"
#include "platform/framework/UiThread.h"
#include "platform/framework/WinThread.h"
#include "platform/framework/WindowModel.h"

#include <algorithm>
#include <chrono>

namespace framework {
namespace {

constexpr auto RUN_UNTIL_GUARD = std::chrono::seconds(60);

bool Acts(const WindowRecord* record) {
    return record != nullptr && record->enabled && record->visible;
}

bool IsListBox(const WindowRecord& record) {
    return SameClass(record.windowClass, "ListBox");
}

// Buttons always tell their dialog of a click; a static only with SS_NOTIFY.
bool NotifiesClick(const WindowRecord& record) {
    return SameClass(record.windowClass, "Button") || (record.style & SS_NOTIFY);
}

bool NotifiesSelection(const WindowRecord& record) {
    return !IsListBox(record) || (record.style & LBS_NOTIFY);
}

void Notification(HWND control, WORD code) {
    const WindowRecord* record = FindWindowRecord(control);
    Deliver(record->parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(record->id), code),
            reinterpret_cast<LPARAM>(control));
}

} // namespace

HeadlessBackend::HeadlessBackend() {
    SetUiThread();
    InstallBackend(this);
}

HeadlessBackend::~HeadlessBackend() {
    // A job's thread object is deleted here a moment after its slot was cleared.
    RunUntil([] { return UnfinishedThreads() == 0; });
    ServeUiRequests();
    if (&Backend() == this)
        InstallBackend(nullptr);
}

void HeadlessBackend::Open(CDialog& dialog) {
    if (dialog.CreateFromTemplate())
        m_open.push_back(dialog.m_hWnd);
}

void HeadlessBackend::Close(CDialog& dialog) {
    if (std::find(m_open.begin(), m_open.end(), dialog.m_hWnd) != m_open.end())
        Deliver(dialog.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
    dialog.DestroyWindow();
}

void HeadlessBackend::Click(int id) {
    HWND control = Window(id);
    const WindowRecord* record = FindWindowRecord(control);
    if (id == 0 || !Acts(record))
        return;
    if (IsAutoRadio(*record))
        SetCheckFromUser(control, 1);
    if (record->style & WS_TABSTOP)
        SetFocusFromUser(control);
    if (NotifiesClick(*record))
        Notification(control, BN_CLICKED);
}

void HeadlessBackend::Type(int id, const CString& text) {
    HWND control = Window(id);
    const WindowRecord* record = FindWindowRecord(control);
    if (id == 0 || !Acts(record) || (record->style & ES_READONLY))
        return;
    SetFocusFromUser(control);
    SetTextFromUser(control, text);
}

void HeadlessBackend::Choose(int id, int index) {
    HWND control = Window(id);
    const WindowRecord* record = FindWindowRecord(control);
    if (id == 0 || !Acts(record) || index < 0 || index >= static_cast<int>(record->items.size()))
        return;
    SetFocusFromUser(control);
    SetSelectionFromUser(control, index);
    if (NotifiesSelection(*record))
        Notification(control, IsListBox(*record) ? LBN_SELCHANGE : CBN_SELCHANGE);
}

void HeadlessBackend::DoubleClick(int id, int index) {
    Choose(id, index);
    const WindowRecord* record = FindWindowRecord(Window(id));
    if (Acts(record) && IsListBox(*record) && (record->style & LBS_NOTIFY) &&
        record->selection == index)
        Notification(record->hwnd, LBN_DBLCLK);
}

void HeadlessBackend::PressKey(UINT virtualKey, bool alt) {
    HWND focus = FocusWindow();
    const WindowRecord* record = FindWindowRecord(focus);
    HWND target = record != nullptr && (record->parent == Window(0) || focus == Window(0))
                      ? focus
                      : Window(0);
    // Bit 29 of a key message: Alt is held.
    Deliver(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey, alt ? (1 << 29) : 0);
}

void HeadlessBackend::Focus(int id) {
    if (Acts(FindWindowRecord(Window(id))))
        SetFocusFromUser(Window(id));
}

CMenu* HeadlessBackend::OpenMenu(std::initializer_list<int> path) {
    const WindowRecord* dialog = FindWindowRecord(Window(0));
    CMenu* menu = dialog == nullptr ? nullptr : dialog->menu;
    for (int position : path) {
        menu = menu == nullptr ? nullptr : menu->GetSubMenu(position);
        if (menu == nullptr)
            return nullptr;
        Deliver(Window(0), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu->m_hMenu),
                MAKELPARAM(static_cast<WORD>(position), FALSE));
    }
    return menu;
}

CMenu* HeadlessBackend::OpenSystemMenu() {
    CWnd* dialog = CWnd::FromHandle(Window(0));
    CMenu* menu = dialog == nullptr ? nullptr : dialog->GetSystemMenu(FALSE);
    if (menu != nullptr)
        Deliver(Window(0), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu->m_hMenu),
                MAKELPARAM(0, TRUE));
    return menu;
}

bool HeadlessBackend::ChooseCommand(UINT id) {
    const WindowRecord* dialog = FindWindowRecord(Window(0));
    if (dialog == nullptr)
        return false;
    UINT state = dialog->menu == nullptr ? 0 : dialog->menu->GetMenuState(id, MF_BYCOMMAND);
    if (state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)))
        return false;
    Deliver(Window(0), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
    return true;
}

void HeadlessBackend::ChooseSystemCommand(UINT id) {
    Deliver(Window(0), WM_SYSCOMMAND, id, 0);
}

// Each step fires the earliest due timer (the first set among equals); a handler
// may set or kill timers, so the next one is looked up afresh.
void HeadlessBackend::AdvanceTime(UINT milliseconds) {
    ULONGLONG end = m_now + milliseconds;
    for (;;) {
        ServeUiRequests();
        auto next = std::min_element(m_timers.begin(), m_timers.end(),
                                     [](const Timer& a, const Timer& b) { return a.due < b.due; });
        if (next == m_timers.end() || next->due > end)
            break;
        m_now = next->due;
        next->due += next->period;
        FireTimer(next->window, next->id);
    }
    m_now = end;
    ServeUiRequests();
}

bool HeadlessBackend::RunUntil(const std::function<bool()>& ready) {
    auto deadline = std::chrono::steady_clock::now() + RUN_UNTIL_GUARD;
    WaitServing([&] { return ready() || std::chrono::steady_clock::now() > deadline; });
    return ready();
}

void HeadlessBackend::Hover(int id) {
    Deliver(Window(0), WM_SETCURSOR, reinterpret_cast<WPARAM>(Window(id)),
            MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

DWORD HeadlessBackend::TextColour(int id) {
    CDC dc;
    Deliver(Window(0), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(&dc),
            reinterpret_cast<LPARAM>(Window(id)));
    return dc.GetTextColor();
}

HWND HeadlessBackend::Window(int id) const {
    if (m_open.empty())
        return nullptr;
    if (id == 0)
        return m_open.back();
    CWnd* control = CWnd::FromHandle(m_open.back())->GetDlgItem(id);
    return control == nullptr ? nullptr : control->m_hWnd;
}

CString HeadlessBackend::Text(int id) const {
    const WindowRecord* record = FindWindowRecord(Window(id));
    return record == nullptr ? CString() : record->text;
}

bool HeadlessBackend::Enabled(int id) const {
    const WindowRecord* record = FindWindowRecord(Window(id));
    return record != nullptr && record->enabled;
}

bool HeadlessBackend::Visible(int id) const {
    const WindowRecord* record = FindWindowRecord(Window(id));
    return record != nullptr && record->visible;
}

std::vector<CString> HeadlessBackend::Items(int id) const {
    const WindowRecord* record = FindWindowRecord(Window(id));
    return record == nullptr ? std::vector<CString>{} : record->items;
}

int HeadlessBackend::Selection(int id) const {
    const WindowRecord* record = FindWindowRecord(Window(id));
    return record == nullptr ? -1 : record->selection;
}

int HeadlessBackend::Check(int id) const {
    const WindowRecord* record = FindWindowRecord(Window(id));
    return record == nullptr ? 0 : record->check;
}

int HeadlessBackend::FocusId() const {
    const WindowRecord* record = FindWindowRecord(FocusWindow());
    return record == nullptr ? 0 : record->id;
}

bool HeadlessBackend::TimerRunning(UINT_PTR id) const {
    HWND dialog = Window(0);
    return std::any_of(m_timers.begin(), m_timers.end(),
                       [&](const Timer& t) { return t.window == dialog && t.id == id; });
}

void HeadlessBackend::WindowCreated(HWND) {}

void HeadlessBackend::WindowChanged(HWND, Change) {}

void HeadlessBackend::WindowDestroyed(HWND dialog) {
    std::erase(m_open, dialog);
    std::erase_if(m_timers, [dialog](const Timer& t) { return t.window == dialog; });
}

// A nested dialog: the test looks at it in onModal and ends it; whatever is still
// open afterwards is cancelled.
void HeadlessBackend::RunModal(HWND dialog) {
    m_open.push_back(dialog);
    auto* handler = dynamic_cast<CDialog*>(CWnd::FromHandle(dialog));
    if (onModal && handler != nullptr)
        onModal(*handler);
    if (std::find(m_open.begin(), m_open.end(), dialog) != m_open.end())
        Deliver(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    if (std::find(m_open.begin(), m_open.end(), dialog) != m_open.end() && handler != nullptr)
        handler->EndDialog(IDCANCEL);
}

void HeadlessBackend::EndModal(HWND dialog) {
    std::erase(m_open, dialog);
}

int HeadlessBackend::ShowMessageBox(HWND owner, const CString& text, const CString& caption,
                                    UINT type) {
    boxes.push_back(Box{text, caption, type, owner != nullptr});
    if (onBox)
        onBox(Box(boxes.back()));
    if (boxAnswers.empty())
        return IDOK;
    int answer = boxAnswers.front();
    boxAnswers.pop_front();
    return answer;
}

bool HeadlessBackend::ShowFileDialog(FileDialogRequest& request) {
    fileDialogs.push_back(request);
    if (fileAnswers.empty())
        return false;
    std::optional<CString> answer = fileAnswers.front();
    fileAnswers.pop_front();
    if (!answer)
        return false;
    request.chosenPath = *answer;
    return true;
}

void HeadlessBackend::ShellOpen(const CString& verb, const CString& target) {
    shellOpened.push_back(verb + " " + target);
}

void HeadlessBackend::TimerChanged(HWND window, UINT_PTR id, UINT milliseconds, bool running) {
    std::erase_if(m_timers, [&](const Timer& t) { return t.window == window && t.id == id; });
    if (running)
        m_timers.push_back(Timer{window, id, milliseconds, m_now + milliseconds});
}

void HeadlessBackend::CursorChanged(HCURSOR changed) {
    cursor = changed;
}

} // namespace framework
