#include "platform/framework/Dialog.h"
#include "platform/framework/UiThread.h"
#include "platform/framework/WindowModel.h"

// A box belongs to the user-interface thread: another thread waits there for the
// answer. With no backend there is no window to wait on, and the box is answered
// where it was asked.
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    CString message(text);
    CString title(caption);
    int answer = IDOK;
    auto show = [&] { answer = framework::Backend().ShowMessageBox(owner, message, title, type); };
    if (framework::BackendInstalled())
        framework::RunOnUiThread(show);
    else
        show();
    return answer;
}

int AfxMessageBox(const char* text, UINT type) {
    CWnd* main = AfxGetMainWnd();
    return MessageBoxA(main == nullptr ? nullptr : main->m_hWnd, text, framework::ApplicationName(),
                       type);
}
