#include "platform/framework/Dialog.h"
#include "platform/framework/Menu.h"
#include "platform/framework/WindowModel.h"

namespace {

void CreateControl(HWND dialog, const framework::DialogTemplate& source,
                   const framework::ControlTemplate& control) {
    framework::WindowRecord& record =
        framework::CreateWindowEntry(dialog, control.windowClass, nullptr).record;
    record.id = control.id;
    record.style = control.style;
    record.exStyle = control.exStyle;
    record.x = control.x;
    record.y = control.y;
    record.cx = control.cx;
    record.cy = control.cy;
    record.text = control.text;
    record.visible = (control.style & WS_VISIBLE) != 0;
    record.enabled = (control.style & WS_DISABLED) == 0;
    auto items = source.initialItems.find(control.id);
    if (items != source.initialItems.end())
        record.items = items->second;
}

// The dialog's default focus: its first control that a tab would reach.
void FocusFirstTabStop(HWND dialog) {
    for (HWND child : framework::FindWindowRecord(dialog)->children) {
        const framework::WindowRecord& control = *framework::FindWindowRecord(child);
        if ((control.style & WS_TABSTOP) && control.visible && control.enabled) {
            framework::SetFocusWindow(child);
            return;
        }
    }
}

} // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

// Destroyed here, while the object is still a dialog for the backend to look at.
CDialog::~CDialog() {
    DestroyWindow();
}

BOOL CDialog::CreateFromTemplate() {
    const framework::DialogTemplate* source =
        framework::Resources().Dialog(static_cast<int>(m_templateId));
    if (source == nullptr || m_hWnd != nullptr)
        return FALSE;
    m_result = -1;
    m_bEnded = FALSE;
    CWnd* owner = m_parent != nullptr ? m_parent : AfxGetMainWnd();
    HWND parent = owner == this || owner == nullptr ? nullptr : owner->m_hWnd;
    framework::WindowEntry& entry = framework::CreateWindowEntry(nullptr, "#32770", this);
    framework::WindowRecord& record = entry.record;
    record.parent = parent; // its owner: a dialog is not one of the owner's controls
    record.style = source->style;
    record.exStyle = source->exStyle;
    record.x = source->x;
    record.y = source->y;
    record.cx = source->cx;
    record.cy = source->cy;
    record.text = source->caption;
    record.dialog = source;
    for (const framework::ControlTemplate& control : source->controls)
        CreateControl(m_hWnd, *source, control);
    if (source->menuId != 0) {
        entry.menu = std::make_unique<CMenu>();
        if (entry.menu->LoadMenu(static_cast<UINT>(source->menuId)))
            record.menu = entry.menu.get();
    }
    framework::Backend().WindowCreated(m_hWnd);
    if (OnInitDialog())
        FocusFirstTabStop(m_hWnd);
    return TRUE;
}

LONG_PTR CDialog::DoModal() {
    if (!CreateFromTemplate())
        return -1;
    if (!m_bEnded)
        framework::Backend().RunModal(m_hWnd);
    DestroyWindow();
    return m_result;
}

void CDialog::EndDialog(int result) {
    m_result = result;
    m_bEnded = TRUE;
    if (m_hWnd != nullptr)
        framework::Backend().EndModal(m_hWnd);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}
