#include "platform/framework/WindowBackend.h"

#include <atomic>

namespace framework {
namespace {

// Without a backend nothing is shown: boxes answer OK, file dialogs are cancelled
// and a modal dialog returns from its loop at once.
class NoBackend : public WindowBackend {
public:
    void WindowCreated(HWND) override {}
    void WindowChanged(HWND, Change) override {}
    void WindowDestroyed(HWND) override {}
    void RunModal(HWND) override {}
    void EndModal(HWND) override {}
    int ShowMessageBox(HWND, const CString&, const CString&, UINT) override { return IDOK; }
    bool ShowFileDialog(FileDialogRequest&) override { return false; }
    void ShellOpen(const CString&, const CString&) override {}
    void TimerChanged(HWND, UINT_PTR, UINT, bool) override {}
    void CursorChanged(HCURSOR) override {}
};

std::atomic<WindowBackend*> installed{nullptr};

} // namespace

void InstallBackend(WindowBackend* backend) {
    installed.store(backend);
}

bool BackendInstalled() {
    return installed.load() != nullptr;
}

WindowBackend& Backend() {
    static NoBackend none;
    WindowBackend* backend = installed.load();
    return backend == nullptr ? none : *backend;
}

} // namespace framework
