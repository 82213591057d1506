#include "platform/framework/Dialog.h"
#include "platform/framework/Menu.h"
#include "platform/framework/WindowModel.h"

namespace {

// The dialog's standard background, handed out as the default answer to a colour query.
HBRUSH DialogBrush() {
    static char brush;
    return reinterpret_cast<HBRUSH>(&brush);
}

} // namespace

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(wParam, lParam);
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(CMenu::FromHandle(reinterpret_cast<HMENU>(wParam)), LOWORD(lParam),
                        HIWORD(lParam));
        return 0;
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam), lParam);
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(OnQueryDragIcon());
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(OnCtlColor(reinterpret_cast<CDC*>(wParam),
                                                    FromHandle(reinterpret_cast<HWND>(lParam)),
                                                    CTLCOLOR_STATIC));
    case WM_SETCURSOR:
        return OnSetCursor(FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(lParam),
                           HIWORD(lParam));
    default:
        return Default();
    }
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::OnCommand(WPARAM, LPARAM) {
    return FALSE;
}

void CWnd::OnTimer(UINT_PTR) {
    Default();
}

void CWnd::OnInitMenuPopup(CMenu*, UINT, BOOL) {
    Default();
}

void CWnd::OnSysCommand(UINT, LPARAM) {
    Default();
}

void CWnd::OnPaint() {
    Default();
}

HCURSOR CWnd::OnQueryDragIcon() {
    return reinterpret_cast<HCURSOR>(Default());
}

HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) {
    return reinterpret_cast<HBRUSH>(Default());
}

BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) {
    return static_cast<BOOL>(Default());
}

LRESULT CWnd::Default() {
    return framework::DefaultHandling(framework::CurrentMessage());
}

namespace framework {

LRESULT DefaultHandling(const MSG& message) {
    switch (message.message) {
    case WM_SYSCOMMAND:
        // The close box of a dialog is its Cancel.
        if ((message.wParam & 0xFFF0) == SC_CLOSE)
            Dispatch(message.hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return 0;
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(DialogBrush());
    case WM_SETCURSOR:
        SetCursor(nullptr);
        return FALSE;
    default:
        return 0;
    }
}

} // namespace framework
