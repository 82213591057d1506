#pragma once
// Dialogs built from the templates of the resource script, the data exchange
// between controls and values, and the application object.
#include "platform/framework/Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Creates the window from its template, initialises it and runs it until
    // EndDialog; returns the code given to EndDialog.
    virtual LONG_PTR DoModal();
    void EndDialog(int result);
    UINT TemplateId() const { return m_templateId; }
    // The first half of DoModal without the modal loop: the window from its template,
    // its controls, its menu, then OnInitDialog. FALSE when there is no such template.
    BOOL CreateFromTemplate();

    virtual BOOL OnInitDialog(); // runs the first UpdateData(FALSE); TRUE: focus by default

protected:
    virtual void OnOK();     // command 1 (Enter): UpdateData(TRUE) and EndDialog(IDOK)
    virtual void OnCancel(); // command 2 (Esc, close box): EndDialog(IDCANCEL)
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    UINT m_templateId;
    CWnd* m_parent;
    int m_result = -1;
    BOOL m_bEnded = FALSE;
};

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL save) : m_pDlgWnd(dialog), m_bSaveAndValidate(save) {}
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

void DDX_Control(CDataExchange* exchange, int id, CWnd& control);
void DDX_Text(CDataExchange* exchange, int id, CString& value);
void DDX_CBIndex(CDataExchange* exchange, int id, int& index);
void DDX_Radio(CDataExchange* exchange, int firstId, int& index);

class CWinApp {
public:
    explicit CWinApp(const char* appName = nullptr); // the one application object
    virtual ~CWinApp();
    virtual BOOL InitInstance();
    virtual int Run(); // the message loop, started only when InitInstance returns TRUE

    CWnd* m_pMainWnd = nullptr;
    CString m_pszAppName;
    // Where the next file dialog opens: the folder of the last file chosen in one,
    // remembered for this run only, as the platform's dialogs remember it.
    CString m_strFileDialogFolder;

    HICON LoadIcon(UINT id) const;
    HCURSOR LoadCursor(UINT id) const;
};

CWinApp* AfxGetApp();
// Starts the application object: loads nothing itself; InitInstance, then Run if asked.
int AfxWinMain();

// The application's own box: the application's name as caption, owned by the main window.
int AfxMessageBox(const char* text, UINT type = MB_OK);
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
