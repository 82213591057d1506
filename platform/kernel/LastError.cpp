#include "platform/kernel/Kernel.h"
#include "platform/kernel/MessageLanguage.h"
#include "platform/text/Cp932.h"

#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <string>

namespace {

thread_local DWORD lastError = 0;

struct OwnText {
    DWORD code;
    const char* english;
    const char* japanese; // UTF-8
};

// The codes of the platform's own, in English and, for a Japanese desktop, in
// Japanese as the C library's texts are there.
constexpr OwnText kOwnTexts[] = {
    {ERROR_HANDLE_EOF, "Reached the end of the file.", "ファイルの終わりに達しました。"},
    {ERROR_INVALID_DATA, "The compressed data is corrupt.", "圧縮されたデータが壊れています。"},
    {ERROR_TRUNCATED_DATA, "The compressed file ends before its data does.",
     "圧縮ファイルがデータの途中で終わっています。"},
};

// The text of a code: the platform's own, or the C library's, in the user's
// language and in the locale's charset, which the system reads as code page 932
// only once converted.
std::string SystemText(DWORD code) {
    for (const OwnText& own : kOwnTexts)
        if (own.code == code)
            return kernel::JapaneseMessages() ? text::FromUtf8(own.japanese) : own.english;
    char text[256];
    return text::FromCharset(strerror_r(static_cast<int>(code), text, sizeof text),
                             nl_langinfo(CODESET));
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
