#include "ui/ViewerApp.h"

#include "ui/MainDialog.h"

ViewerApp theApp;

BOOL ViewerApp::InitInstance() {
    MainDialog dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // No message loop of the application's own: the process ends with the window.
    return FALSE;
}
