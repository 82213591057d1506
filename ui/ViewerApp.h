#pragma once
// The application object: it runs the main window modally and then lets the
// process end. The launcher has loaded the resources before it starts.
#include "platform/framework/Dialog.h"

class ViewerApp : public CWinApp {
public:
    BOOL InitInstance() override;
};

extern ViewerApp theApp;
