#include "ui/AboutDialog.h"

#include "platform/framework/CommonDialogs.h"
#include "resources/Resource.h"

namespace {

constexpr CDC::COLORREF kBlue = 0xFF0000; // blue, green, red from the low byte up

bool IsLink(const CWnd* control) {
    if (control == nullptr)
        return false;
    const int id = control->GetDlgCtrlID();
    return id == IDC_MAIL || id == IDC_WEB;
}

} // namespace

AboutDialog::AboutDialog() : CDialog(IDD_ABOUTBOX) {}

HBRUSH AboutDialog::OnCtlColor(CDC* dc, CWnd* control, UINT kind) {
    HBRUSH brush = CDialog::OnCtlColor(dc, control, kind);
    if (IsLink(control))
        dc->SetTextColor(kBlue);
    return brush;
}

BOOL AboutDialog::OnSetCursor(CWnd* window, UINT hitTest, UINT message) {
    if (IsLink(window)) {
        CWinApp* app = AfxGetApp();
        ::SetCursor(app != nullptr ? app->LoadCursor(IDC_HAND) : nullptr);
        return TRUE;
    }
    return CDialog::OnSetCursor(window, hitTest, message);
}

BOOL AboutDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == STN_CLICKED) {
        if (LOWORD(wParam) == IDC_MAIL) {
            OpenLink(IDC_MAIL, "mailto:");
            return TRUE;
        }
        if (LOWORD(wParam) == IDC_WEB) {
            OpenLink(IDC_WEB, "");
            return TRUE;
        }
    }
    return CDialog::OnCommand(wParam, lParam);
}

// The addresses are the links' own texts, so that what is opened is what is shown.
// Whether the desktop could open them is not asked: nothing more would happen.
void AboutDialog::OpenLink(int id, const char* scheme) {
    CString address;
    if (CWnd* link = GetDlgItem(id))
        link->GetWindowText(address);
    ShellExecuteA(nullptr, "open", CString(scheme) + address, nullptr, nullptr, SW_SHOWNORMAL);
}

void OpenAboutBox() {
    AboutDialog dialog;
    dialog.DoModal();
}
