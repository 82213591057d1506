#include "platform/framework/CommonDialogs.h"
#include "platform/framework/Dialog.h"
#include "platform/framework/FolderOf.h"
#include "platform/framework/UiThread.h"
#include "platform/framework/WindowModel.h"
#include "platform/text/Cp932.h"

namespace {

// The default extension goes onto a chosen name that has none of its own. The
// name starts after the last separator character: the second byte of 表 or ソ is
// the byte of a backslash.
CString WithDefaultExtension(const CString& path, const CString& extension) {
    const std::string& name = path.str();
    std::size_t nameStart = text::FindLastChar(name, "/\\");
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    if (extension.IsEmpty() || text::FindChar(name, ".", nameStart) != std::string::npos)
        return path;
    return path + "." + extension;
}

} // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExtension, const char* fileName,
                         DWORD flags, const char* filter, CWnd* parent)
    : m_bOpenFileDialog(openFileDialog), m_defaultExtension(defaultExtension), m_fileName(fileName),
      m_flags(flags), m_filter(filter), m_parent(parent) {}

LONG_PTR CFileDialog::DoModal() {
    CWnd* owner = m_parent != nullptr ? m_parent : AfxGetMainWnd();
    framework::FileDialogRequest request;
    request.open = m_bOpenFileDialog != FALSE;
    request.owner = owner == nullptr ? nullptr : owner->m_hWnd;
    request.defaultExtension = m_defaultExtension;
    request.filter = m_filter;
    request.flags = m_flags;
    request.initialName = m_fileName;
    CWinApp* app = AfxGetApp();
    if (app != nullptr)
        request.initialFolder = app->m_strFileDialogFolder;
    bool chosen = false;
    framework::RunOnUiThread([&] { chosen = framework::Backend().ShowFileDialog(request); });
    if (!chosen || request.chosenPath.IsEmpty())
        return IDCANCEL;
    m_path = WithDefaultExtension(request.chosenPath, m_defaultExtension);
    if (app != nullptr)
        app->m_strFileDialogFolder = framework::FolderOf(m_path);
    return IDOK;
}

CString CFileDialog::GetPathName() const {
    return m_path;
}

HINSTANCE ShellExecuteA(HWND, const char* verb, const char* file, const char*, const char*, int) {
    CString action(verb == nullptr ? "open" : verb);
    CString target(file);
    framework::RunOnUiThread([&] { framework::Backend().ShellOpen(action, target); });
    // Above 32 is the platform's success.
    return reinterpret_cast<HINSTANCE>(static_cast<UINT_PTR>(42));
}
