#include "device/DiskDevice.h"
#include "platform/framework/Dialog.h"

CString ErrorText(DWORD code) {
    char* text = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
        nullptr, code, LANG_NEUTRAL_SUBLANG_DEFAULT, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    // Without a system text the user still learns which error it was.
    CString message;
    if (length == 0 || text == nullptr)
        message.Format("Error %u", static_cast<unsigned>(code));
    else
        message = text;
    LocalFree(text);
    return message;
}

void ShowLastError() {
    DWORD code = GetLastError();
    if (code == 0)
        return;
    MessageBoxA(nullptr, ErrorText(code), "Error", MB_OK | MB_ICONINFORMATION);
}
