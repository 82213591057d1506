#include "platform/framework/Dialog.h"
#include "platform/framework/UiThread.h"
#include "platform/framework/WindowModel.h"

namespace {

// A box belongs to the user-interface thread: another thread waits there for the
// answer. With no backend there is no window to wait on, and the box is answered
// where it was asked. owner() is asked on that thread too, since the window it
// names may be going away while a job asks for a box.
int ShowBox(const std::function<HWND()>& owner, const char* text, const char* caption, UINT type) {
    CString message(text);
    CString title(caption);
    int answer = IDOK;
    auto show = [&] {
        answer = framework::Backend().ShowMessageBox(owner(), message, title, type);
    };
    if (framework::BackendInstalled())
        framework::RunOnUiThread(show);
    else
        show();
    return answer;
}

} // namespace

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    return ShowBox([owner] { return owner; }, text, caption, type);
}

int AfxMessageBox(const char* text, UINT type) {
    return ShowBox(
        [] {
            CWnd* main = AfxGetMainWnd();
            return main == nullptr ? nullptr : main->m_hWnd;
        },
        text, framework::ApplicationName(), type);
}
