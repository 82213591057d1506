// The system's text of an error, as the "Error" box shows it: code page 932 bytes,
// in the desktop's language where that code page can write it.
#include "platform/kernel/Kernel.h"
#include "platform/text/Cp932.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace {

TEST(ErrorText, FollowsTheLocaleWhereCodePage932CanWriteIt) {
    struct Case {
        const char* locale;
        DWORD code;
        std::string text;
    };
    const Case cases[] = {
        {"C", ERROR_ACCESS_DENIED, "Permission denied"},
        {"ja_JP.UTF-8", ERROR_ACCESS_DENIED, Jp("許可がありません")},
        {"de_DE.UTF-8", ERROR_ACCESS_DENIED, "Keine Berechtigung"},
        // "Ungültiger Dateideskriptor": code page 932 has no ü.
        {"de_DE.UTF-8", ERROR_INVALID_HANDLE, "Bad file descriptor"},
        {"ja_JP.UTF-8", ERROR_HANDLE_EOF, "Reached the end of the file."},
    };
    std::string missing;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        if (std::setlocale(LC_ALL, c.locale) == nullptr) {
            missing += std::string(" ") + c.locale;
            continue;
        }
        char buffer[256];
        const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, c.code, 0, buffer,
                                            sizeof buffer, nullptr);
        EXPECT_EQ(std::string(buffer, length), c.text + "\r\n");
    }
    std::setlocale(LC_ALL, "C");
    if (!missing.empty())
        GTEST_SKIP() << "locales not generated (scripts/setup makes them):" << missing;
}

} // namespace
