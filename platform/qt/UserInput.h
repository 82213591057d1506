#pragma once
// What the user did, reported to the window model as the messages the program's
// handlers expect. State the user changed is set with the framework's
// Set*FromUser calls before these.
#include "platform/framework/WindowBackend.h"

namespace qt {

// WM_COMMAND to the control's dialog with the control's number and a notification.
void ReportNotification(HWND control, WORD code);
// Key-down to the window with the focus; true when the program took the key.
bool ReportKey(HWND focus, UINT virtualKey, bool alt);

} // namespace qt
