#include "platform/kernel/Kernel.h"
#include "platform/text/Cp932.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

thread_local DWORD lastError = 0;

bool IsAscii(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80)
            return false;
    }
    return true;
}

std::string EnglishText(int code) {
    static const locale_t english = newlocale(LC_ALL_MASK, "C", nullptr);
    return english == nullptr ? std::string() : std::string(strerror_l(code, english));
}

// The text of a code of the platform's own; the C library has the others, in the
// user's language. Texts are code page 932 bytes: a text that code page cannot
// write (a German umlaut), or from a locale that is not UTF-8, is given in English.
std::string SystemText(DWORD code) {
    if (code == ERROR_HANDLE_EOF)
        return "Reached the end of the file.";
    char buffer[256];
    const std::string local = strerror_r(static_cast<int>(code), buffer, sizeof buffer);
    if (IsAscii(local))
        return local;
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0) {
        std::string cp932 = text::FromUtf8(local);
        if (text::ToUtf8(cp932) == local)
            return cp932;
    }
    return EnglishText(static_cast<int>(code));
}

} // namespace

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD code) {
    lastError = code;
}

DWORD FormatMessageA(DWORD flags, LPCVOID, DWORD code, DWORD, LPSTR buffer, DWORD size, void*) {
    std::string message = SystemText(code) + "\r\n";
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        auto* copy = static_cast<char*>(std::malloc(message.size() + 1));
        if (copy == nullptr)
            return 0;
        std::memcpy(copy, message.c_str(), message.size() + 1);
        *reinterpret_cast<char**>(buffer) = copy;
        return static_cast<DWORD>(message.size());
    }
    if (buffer == nullptr || size <= message.size())
        return 0;
    std::memcpy(buffer, message.c_str(), message.size() + 1);
    return static_cast<DWORD>(message.size());
}

void* LocalFree(void* memory) {
    std::free(memory);
    return nullptr;
}
