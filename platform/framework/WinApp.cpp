#include "platform/framework/Dialog.h"
#include "platform/framework/WindowModel.h"

namespace {

CWinApp* theApp = nullptr;

} // namespace

CWinApp::CWinApp(const char* appName) : m_pszAppName(appName == nullptr ? "Kolm" : appName) {
    theApp = this;
}

CWinApp::~CWinApp() {
    if (theApp == this)
        theApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

// Every window of the system is modal and runs its own loop in DoModal, so nothing
// is left for an application loop to do.
int CWinApp::Run() {
    return 0;
}

// Icon and cursor handles are the images of the resource set themselves.
HICON CWinApp::LoadIcon(UINT id) const {
    const framework::Image* image = framework::Resources().Icon(static_cast<int>(id));
    return reinterpret_cast<HICON>(const_cast<framework::Image*>(image));
}

HCURSOR CWinApp::LoadCursor(UINT id) const {
    const framework::Image* image = framework::Resources().Cursor(static_cast<int>(id));
    return reinterpret_cast<HCURSOR>(const_cast<framework::Image*>(image));
}

CWinApp* AfxGetApp() {
    return theApp;
}

CWnd* AfxGetMainWnd() {
    return theApp == nullptr ? nullptr : theApp->m_pMainWnd;
}

int AfxWinMain() {
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return -1;
    return app->InitInstance() ? app->Run() : 0;
}

namespace {
HCURSOR& CurrentCursor() {
    static HCURSOR current = nullptr;
    return current;
}
} // namespace

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR previous = CurrentCursor();
    CurrentCursor() = cursor;
    if (previous != cursor)
        framework::Backend().CursorChanged(cursor);
    return previous;
}

HCURSOR GetCursor() {
    return CurrentCursor();
}

namespace framework {

const Image* ImageOfIcon(HICON icon) {
    return reinterpret_cast<const Image*>(icon);
}

const Image* ImageOfCursor(HCURSOR cursor) {
    return reinterpret_cast<const Image*>(cursor);
}

CString ApplicationName() {
    return theApp == nullptr ? CString("Kolm") : theApp->m_pszAppName;
}

} // namespace framework
