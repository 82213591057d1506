#include "platform/framework/WindowModel.h"

#include <algorithm>
#include <cctype>

namespace framework {
namespace {

struct Model {
    std::map<HWND, std::unique_ptr<WindowEntry>> windows;
    UINT_PTR lastHandle = 0;
    HWND focus = nullptr;
    MSG current{};
};

Model& TheModel() {
    static Model model;
    return model;
}

std::unique_ptr<CWnd> StandInFor(const CString& windowClass) {
    if (SameClass(windowClass, "Button"))
        return std::make_unique<CButton>();
    if (SameClass(windowClass, "ComboBox"))
        return std::make_unique<CComboBox>();
    if (SameClass(windowClass, "ListBox"))
        return std::make_unique<CListBox>();
    if (SameClass(windowClass, "Edit"))
        return std::make_unique<CEdit>();
    if (SameClass(windowClass, "Static"))
        return std::make_unique<CStatic>();
    return std::make_unique<CWnd>();
}

} // namespace

WindowEntry* FindWindowEntry(HWND window) {
    Model& model = TheModel();
    auto found = model.windows.find(window);
    return found == model.windows.end() ? nullptr : found->second.get();
}

const WindowRecord* FindWindowRecord(HWND window) {
    WindowEntry* entry = FindWindowEntry(window);
    return entry == nullptr ? nullptr : &entry->record;
}

WindowEntry& CreateWindowEntry(HWND parent, const CString& windowClass, CWnd* handler) {
    Model& model = TheModel();
    auto entry = std::make_unique<WindowEntry>();
    HWND window = reinterpret_cast<HWND>(++model.lastHandle);
    entry->record.hwnd = window;
    entry->record.parent = parent;
    entry->record.windowClass = windowClass;
    if (handler == nullptr) {
        entry->standIn = StandInFor(windowClass);
        handler = entry->standIn.get();
    }
    entry->record.handler = handler;
    handler->m_hWnd = window;
    if (WindowEntry* parentEntry = FindWindowEntry(parent))
        parentEntry->record.children.push_back(window);
    WindowEntry& created = *entry;
    model.windows.emplace(window, std::move(entry));
    return created;
}

void DestroyWindowEntry(HWND window) {
    Model& model = TheModel();
    auto found = model.windows.find(window);
    if (found == model.windows.end())
        return;
    std::unique_ptr<WindowEntry> entry = std::move(found->second);
    model.windows.erase(found);
    for (HWND child : entry->record.children)
        DestroyWindowEntry(child);
    if (WindowEntry* parentEntry = FindWindowEntry(entry->record.parent))
        std::erase(parentEntry->record.children, window);
    if (model.focus == window)
        model.focus = nullptr;
    entry->record.handler->m_hWnd = nullptr;
}

bool SameClass(const CString& windowClass, const char* name) {
    const std::string& a = windowClass.str();
    std::string_view b(name);
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool IsAutoRadio(const WindowRecord& record) {
    return SameClass(record.windowClass, "Button") &&
           (record.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
}

std::vector<HWND> RadioGroupOf(HWND member) {
    const WindowRecord* record = FindWindowRecord(member);
    const WindowRecord* dialog = record == nullptr ? nullptr : FindWindowRecord(record->parent);
    if (dialog == nullptr || !IsAutoRadio(*record))
        return {};
    const std::vector<HWND>& controls = dialog->children;
    auto at = std::find(controls.begin(), controls.end(), member);
    // Back to the radio that starts the group, then on to the last radio of it.
    auto first = at;
    while (first != controls.begin() && !(FindWindowRecord(*first)->style & WS_GROUP) &&
           IsAutoRadio(*FindWindowRecord(*(first - 1))))
        --first;
    std::vector<HWND> group{*first};
    for (auto it = first + 1; it != controls.end(); ++it) {
        const WindowRecord& next = *FindWindowRecord(*it);
        if (!IsAutoRadio(next) || (next.style & WS_GROUP))
            break;
        group.push_back(*it);
    }
    return group;
}

HWND FocusWindow() {
    return TheModel().focus;
}

void SetFocusWindow(HWND window) {
    Model& model = TheModel();
    HWND previous = model.focus;
    model.focus = window;
    if (previous != nullptr && previous != window)
        Notify(previous, Change::Focus);
    if (window != nullptr)
        Notify(window, Change::Focus);
}

LRESULT Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowEntry* entry = FindWindowEntry(window);
    if (entry == nullptr)
        return 0;
    Model& model = TheModel();
    MSG outer = model.current;
    model.current = MSG{window, message, wParam, lParam, 0};
    LRESULT result = entry->record.handler->WindowProc(message, wParam, lParam);
    model.current = outer;
    return result;
}

const MSG& CurrentMessage() {
    return TheModel().current;
}

void Notify(HWND window, Change what) {
    Backend().WindowChanged(window, what);
}

} // namespace framework
