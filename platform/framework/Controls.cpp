#include "platform/framework/WindowModel.h"

#include <string>

namespace {

using framework::FindWindowEntry;

int Index(WPARAM wParam) {
    return static_cast<int>(static_cast<LONG_PTR>(wParam));
}
const char* TextOf(LPARAM lParam) {
    return reinterpret_cast<const char*>(lParam);
}
char* BufferOf(LPARAM lParam) {
    return reinterpret_cast<char*>(lParam);
}

// Reads an item through the box's own requests, so that a subclass sees them.
void ReadItem(HWND box, UINT lengthRequest, UINT textRequest, int index, CString& text) {
    LRESULT length = SendMessageA(box, lengthRequest, static_cast<WPARAM>(index), 0);
    if (length < 0) {
        text.Empty();
        return;
    }
    std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(box, textRequest, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(buffer.data()));
    buffer.resize(static_cast<std::size_t>(length));
    text = CString(std::move(buffer));
}

int AsInt(LRESULT result) {
    return static_cast<int>(result);
}

} // namespace

int CButton::GetCheck() const {
    return AsInt(SendMessageA(m_hWnd, BM_GETCHECK, 0, 0));
}

void CButton::SetCheck(int check) {
    SendMessage(BM_SETCHECK, static_cast<WPARAM>(check));
}

LRESULT CButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    framework::WindowEntry* entry = FindWindowEntry(m_hWnd);
    if (entry == nullptr || (message != BM_GETCHECK && message != BM_SETCHECK))
        return CWnd::WindowProc(message, wParam, lParam);
    if (message == BM_GETCHECK)
        return entry->record.check;
    if (entry->record.check != Index(wParam)) {
        entry->record.check = Index(wParam);
        framework::Notify(m_hWnd, framework::Change::Check);
    }
    return 0;
}

int CComboBox::AddString(const char* text) {
    return AsInt(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}
void CComboBox::ResetContent() {
    SendMessage(CB_RESETCONTENT);
}
int CComboBox::GetCount() const {
    return AsInt(SendMessageA(m_hWnd, CB_GETCOUNT, 0, 0));
}
int CComboBox::GetCurSel() const {
    return AsInt(SendMessageA(m_hWnd, CB_GETCURSEL, 0, 0));
}
int CComboBox::SetCurSel(int index) {
    return AsInt(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index)));
}
void CComboBox::GetLBText(int index, CString& text) const {
    ReadItem(m_hWnd, CB_GETLBTEXTLEN, CB_GETLBTEXT, index, text);
}

LRESULT CComboBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case CB_ADDSTRING:
        return framework::InsertItem(m_hWnd, -1, TextOf(lParam));
    case CB_RESETCONTENT:
        framework::ResetItems(m_hWnd);
        return 0;
    case CB_GETCOUNT:
        return framework::ItemCount(m_hWnd);
    case CB_GETCURSEL:
        return framework::ItemSelection(m_hWnd);
    case CB_SETCURSEL:
        return framework::SelectItem(m_hWnd, Index(wParam));
    case CB_GETLBTEXTLEN:
        return framework::ItemLength(m_hWnd, Index(wParam));
    case CB_GETLBTEXT:
        return framework::CopyItem(m_hWnd, Index(wParam), BufferOf(lParam));
    default:
        return CWnd::WindowProc(message, wParam, lParam);
    }
}

int CListBox::CompareItem(const CString& a, const CString& b) const {
    std::size_t length = std::min(a.str().size(), b.str().size());
    for (std::size_t i = 0; i < length; ++i) {
        int x = std::tolower(static_cast<unsigned char>(a.str()[i]));
        int y = std::tolower(static_cast<unsigned char>(b.str()[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.str().size() == b.str().size())
        return 0;
    return a.str().size() < b.str().size() ? -1 : 1;
}

int CListBox::AddString(const char* text) {
    return AsInt(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}
void CListBox::ResetContent() {
    SendMessage(LB_RESETCONTENT);
}
int CListBox::GetCount() const {
    return AsInt(SendMessageA(m_hWnd, LB_GETCOUNT, 0, 0));
}
int CListBox::GetCurSel() const {
    return AsInt(SendMessageA(m_hWnd, LB_GETCURSEL, 0, 0));
}
int CListBox::SetCurSel(int index) {
    return AsInt(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(index)));
}
void CListBox::GetText(int index, CString& text) const {
    ReadItem(m_hWnd, LB_GETTEXTLEN, LB_GETTEXT, index, text);
}

LRESULT CListBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case LB_ADDSTRING:
        return framework::InsertItem(m_hWnd, SortedIndex(TextOf(lParam)), TextOf(lParam));
    case LB_RESETCONTENT:
        framework::ResetItems(m_hWnd);
        return 0;
    case LB_GETCOUNT:
        return framework::ItemCount(m_hWnd);
    case LB_GETCURSEL:
        return framework::ItemSelection(m_hWnd);
    case LB_SETCURSEL:
        return framework::SelectItem(m_hWnd, Index(wParam));
    case LB_GETTEXTLEN:
        return framework::ItemLength(m_hWnd, Index(wParam));
    case LB_GETTEXT:
        return framework::CopyItem(m_hWnd, Index(wParam), BufferOf(lParam));
    default:
        return CWnd::WindowProc(message, wParam, lParam);
    }
}

int CListBox::SortedIndex(const char* text) const {
    const framework::WindowEntry* entry = FindWindowEntry(m_hWnd);
    if (entry == nullptr || text == nullptr || !(entry->record.style & LBS_SORT))
        return -1;
    // After the lines that sort equal, so equal lines keep their order of adding.
    const std::vector<CString>& items = entry->record.items;
    CString line(text);
    auto after = std::upper_bound(
        items.begin(), items.end(), line,
        [this](const CString& a, const CString& b) { return CompareItem(a, b) < 0; });
    return static_cast<int>(after - items.begin());
}
