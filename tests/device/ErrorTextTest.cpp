// The "Error" box carries the system's text for the code in the user's language,
// as code page 932 bytes, whatever the locale's own charset: a Japanese desktop
// reads Japanese, a German one German with "?" for what the code page lacks.
#include "device/DiskDevice.h"
#include "platform/framework/HeadlessBackend.h"
#include "platform/text/Cp932.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <string>

namespace {

// The process's locale for one case, as the Qt application sets the user's.
class UserLocale {
public:
    explicit UserLocale(const char* name) : m_set(std::setlocale(LC_ALL, name) != nullptr) {}
    ~UserLocale() { std::setlocale(LC_ALL, "C"); }
    bool Set() const { return m_set; }

private:
    bool m_set;
};

TEST(ErrorTexts, TheErrorBoxSpeaksTheUsersLanguageInCodePage932) {
    struct Case {
        const char* locale;
        DWORD code;
        const char* text; // UTF-8
    };
    const Case cases[] = {
        {"C", EIO, "Input/output error"},
        {"ja_JP.UTF-8", EIO, "入力/出力エラーです"},
        {"ja_JP.UTF-8", ENOSPC, "デバイスに空き領域がありません"},
        {"de_DE.UTF-8", EIO, "Eingabe-/Ausgabefehler"},
        {"de_DE.UTF-8", EINVAL, "Das Argument ist ung?ltig"},
        {"de_DE.UTF-8", ERROR_INVALID_HANDLE, "Ung?ltiger Dateideskriptor"},
        {"de_DE.UTF-8", ERROR_ACCESS_DENIED, "Keine Berechtigung"},
        {"ja_JP.UTF-8", ERROR_ACCESS_DENIED, "許可がありません"},
        {"C", ERROR_HANDLE_EOF, "Reached the end of the file."},
        {"ja_JP.UTF-8", ERROR_HANDLE_EOF, "ファイルの終わりに達しました。"},
        {"de_DE.UTF-8", ERROR_TRUNCATED_DATA, "The compressed file ends before its data does."},
        {"ja_JP.UTF-8", ERROR_INVALID_DATA, "圧縮されたデータが壊れています。"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.locale) + " " + std::to_string(test.code));
        UserLocale locale(test.locale);
        if (!locale.Set()) {
            ADD_FAILURE() << test.locale << " is not installed: scripts/setup generates it";
            continue;
        }
        framework::HeadlessBackend backend;
        SetLastError(test.code);
        ShowLastError();
        ASSERT_EQ(backend.boxes.size(), 1u);
        EXPECT_EQ(backend.boxes[0].caption, "Error");
        EXPECT_EQ(backend.boxes[0].text.str(), Jp(test.text) + "\r\n");
    }
}

} // namespace
