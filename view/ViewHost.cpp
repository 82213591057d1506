#include "view/ViewHost.h"

#include "platform/framework/Wnd.h"

void ViewHost::EnableControl(int id, BOOL enable) {
    if (CWnd* control = GetDlgItem(id))
        control->EnableWindow(enable);
}

void ViewHost::SetControlText(int id, const char* text) {
    if (CWnd* control = GetDlgItem(id))
        control->SetWindowText(text);
}
