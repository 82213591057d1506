#pragma once
// The window model. A window is a record the framework keeps (text, enabled,
// visible, items, selection, check, timers, menu); CWnd objects are handles to such
// records, and a backend (headless or Qt) shows them and reports user input back as
// messages. Every window belongs to the user-interface thread: SendMessage from
// another thread is carried out there while the caller waits.
#include "platform/framework/CString.h"
#include "platform/framework/Messages.h"
#include "platform/framework/Styles.h"

#include <vector>

class CMenu;
class CDataExchange;
struct HICON__;
using HICON = HICON__*;
struct HCURSOR__;
using HCURSOR = HCURSOR__*;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;

struct RECT {
    LONG left, top, right, bottom;
};

// The device context of a colour query: only the text colour is kept.
class CDC {
public:
    using COLORREF = DWORD;
    COLORREF SetTextColor(COLORREF colour);
    COLORREF GetTextColor() const { return m_textColour; }

private:
    COLORREF m_textColour = 0;
};

inline constexpr UINT CTLCOLOR_STATIC = 6;
inline constexpr UINT HTCLIENT = 1;

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    static CWnd* FromHandle(HWND window); // the object that handles the window's messages

    int GetDlgCtrlID() const;
    CWnd* GetParent() const;
    CWnd* GetDlgItem(int id) const;
    DWORD GetStyle() const;

    void SetWindowText(const char* text);
    void GetWindowText(CString& text) const;
    int GetWindowTextLength() const;
    BOOL EnableWindow(BOOL enable = TRUE); // returns whether it was disabled before
    BOOL IsWindowEnabled() const;
    BOOL ShowWindow(int command); // returns whether it was visible before
    BOOL IsWindowVisible() const;
    CWnd* SetFocus();
    static CWnd* GetFocus();
    BOOL IsIconic() const;
    void GetClientRect(RECT* rect) const;
    void Invalidate(BOOL erase = TRUE);
    // Destroys the window and its controls; the objects handling them stay, detached.
    BOOL DestroyWindow();

    // Served on the user-interface thread; from another thread the caller waits.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    UINT_PTR SetTimer(UINT_PTR id, UINT milliseconds, void* procedure);
    BOOL KillTimer(UINT_PTR id);

    CMenu* GetMenu() const;
    CMenu* GetSystemMenu(BOOL revert) const;
    HICON SetIcon(HICON icon, BOOL big);

    int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK);

    // Data exchange: save = TRUE copies controls into the values, FALSE the other way.
    BOOL UpdateData(BOOL save = TRUE);

    // Entry of every message; the default sends each to the On handlers below.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Key messages pass here before the window's own keyboard handling; TRUE eats them.
    virtual BOOL PreTranslateMessage(MSG* message);

protected:
    virtual void DoDataExchange(CDataExchange* exchange);
    // WM_COMMAND: LOWORD(wParam) the command or control number, HIWORD the notification.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void OnTimer(UINT_PTR id);
    virtual void OnInitMenuPopup(CMenu* popup, UINT index, BOOL systemMenu);
    virtual void OnSysCommand(UINT id, LPARAM lParam);
    virtual void OnPaint();
    virtual HCURSOR OnQueryDragIcon();
    virtual HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind);
    virtual BOOL OnSetCursor(CWnd* window, UINT hitTest, UINT message);
    LRESULT Default(); // the default handling of the message being handled

    friend class CDataExchange;
};

class CButton : public CWnd {
public:
    int GetCheck() const;
    void SetCheck(int check);
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override; // BM_*
};

class CStatic : public CWnd {};

class CEdit : public CWnd {};

class CComboBox : public CWnd {
public:
    int AddString(const char* text);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    void GetLBText(int index, CString& text) const;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override; // CB_*
};

class CListBox : public CWnd {
public:
    // A sorted list keeps its lines in this order; the default is the platform's,
    // text without regard to case.
    virtual int CompareItem(const CString& a, const CString& b) const;

    int AddString(const char* text); // a sorted list inserts in its order
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index); // sends no selection notification
    void GetText(int index, CString& text) const;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override; // LB_*

private:
    int SortedIndex(const char* text) const; // -1 (the end) when the list is not sorted
};

// Served on the user-interface thread; from another thread the caller waits.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

CWnd* AfxGetMainWnd();
