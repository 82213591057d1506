#pragma once
// The open and save file dialogs, and the shell's "open".
#include "platform/framework/Wnd.h"

inline constexpr DWORD OFN_READONLY = 0x1;
inline constexpr DWORD OFN_OVERWRITEPROMPT = 0x2;
inline constexpr DWORD OFN_HIDEREADONLY = 0x4;

class CFileDialog {
public:
    // filter: "Text(*.x)|*.x||" pairs of a display text and patterns.
    CFileDialog(BOOL openFileDialog, const char* defaultExtension = nullptr,
                const char* fileName = nullptr, DWORD flags = 0, const char* filter = nullptr,
                CWnd* parent = nullptr);
    LONG_PTR DoModal(); // IDOK or IDCANCEL
    CString GetPathName() const;

    BOOL m_bOpenFileDialog;
    CString m_defaultExtension;
    CString m_fileName;
    DWORD m_flags;
    CString m_filter;
    CWnd* m_parent;

private:
    CString m_path;
};

using HINSTANCE = void*;
HINSTANCE ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                        const char* directory, int show);
