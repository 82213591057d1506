#pragma once
// The version box, dialog template 100: the program's name and version and two
// links to its maker, a mail address and a web page, drawn in blue, under a
// pointing hand, and opened by the desktop when clicked.
#include "platform/framework/Dialog.h"

class AboutDialog : public CDialog {
public:
    AboutDialog();

protected:
    HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind) override;
    BOOL OnSetCursor(CWnd* window, UINT hitTest, UINT message) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void OpenLink(int id, const char* scheme);
};

// A fresh box each time, run modally.
void OpenAboutBox();
