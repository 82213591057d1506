#include "platform/qt/UserInput.h"

namespace qt {

void ReportNotification(HWND control, WORD code) {
    const framework::WindowRecord* record = framework::FindWindowRecord(control);
    if (record == nullptr)
        return;
    framework::Deliver(record->parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(record->id), code),
                       reinterpret_cast<LPARAM>(control));
}

bool ReportKey(HWND focus, UINT virtualKey, bool alt) {
    return framework::Deliver(focus, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey, 0) != 0;
}

} // namespace qt
