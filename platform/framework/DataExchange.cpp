#include "platform/framework/Dialog.h"
#include "platform/framework/WindowModel.h"

namespace {

framework::WindowEntry* ControlEntry(CDataExchange* exchange, int id) {
    CWnd* control = exchange->m_pDlgWnd->GetDlgItem(id);
    return control == nullptr ? nullptr : framework::FindWindowEntry(control->m_hWnd);
}

} // namespace

// The member object takes over the control's messages, once.
void DDX_Control(CDataExchange* exchange, int id, CWnd& control) {
    framework::WindowEntry* entry = ControlEntry(exchange, id);
    if (entry == nullptr || control.m_hWnd != nullptr)
        return;
    entry->record.handler = &control;
    control.m_hWnd = entry->record.hwnd;
}

void DDX_Text(CDataExchange* exchange, int id, CString& value) {
    CWnd* control = exchange->m_pDlgWnd->GetDlgItem(id);
    if (control == nullptr)
        return;
    if (exchange->m_bSaveAndValidate)
        control->GetWindowText(value);
    else
        control->SetWindowText(value);
}

void DDX_CBIndex(CDataExchange* exchange, int id, int& index) {
    CWnd* control = exchange->m_pDlgWnd->GetDlgItem(id);
    if (control == nullptr)
        return;
    if (exchange->m_bSaveAndValidate)
        index = static_cast<int>(control->SendMessage(CB_GETCURSEL));
    else
        control->SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index));
}

// The radios of the group that starts at firstId: the index of the checked one,
// -1 when none is.
void DDX_Radio(CDataExchange* exchange, int firstId, int& index) {
    framework::WindowEntry* first = ControlEntry(exchange, firstId);
    if (first == nullptr)
        return;
    std::vector<HWND> group = framework::RadioGroupOf(first->record.hwnd);
    if (exchange->m_bSaveAndValidate) {
        index = -1;
        for (std::size_t i = 0; i < group.size() && index < 0; ++i)
            if (SendMessageA(group[i], BM_GETCHECK, 0, 0) == BST_CHECKED)
                index = static_cast<int>(i);
        return;
    }
    for (std::size_t i = 0; i < group.size(); ++i)
        SendMessageA(group[i], BM_SETCHECK,
                     static_cast<int>(i) == index ? BST_CHECKED : BST_UNCHECKED, 0);
}
