// Code page 932 texts are searched and cut character by character: the second
// byte of 表, 予, ソ, 能 and 十 is 0x5C, the byte of a backslash, and many second
// bytes are letters ("ア" is 83 41: "A" in second place).
#include "platform/framework/CString.h"
#include "platform/text/Cp932.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePage932Text, SearchesAndRemovalsNeverStopOnASecondByte) {
    struct Case {
        const char* text; // UTF-8
        char c;
        int found;       // CString::Find(c), a byte index
        int last;        // text::FindLastChar, -1 for none
        const char* cut; // after Remove(c)
    };
    const Case cases[] = {
        {"card.表", '\\', -1, -1, "card.表"},   {"a\\b表\\c", '\\', 1, 5, "ab表c"},
        {"十能ソ予", '\\', -1, -1, "十能ソ予"}, {"アA", 'A', 2, 2, "ア"},
        {"ソ ソ", ' ', 2, 2, "ソソ"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.text);
        const std::string bytes = Jp(test.text);
        CString text(bytes);
        EXPECT_EQ(text.Find(test.c), test.found);
        const std::size_t last = text::FindLastChar(bytes, std::string(1, test.c));
        EXPECT_EQ(last == std::string::npos ? -1 : static_cast<int>(last), test.last);
        text.Remove(test.c);
        EXPECT_EQ(text.str(), Jp(test.cut));
    }
    EXPECT_EQ(CString(Jp("表\\ソ\\")).Find("\\"), 2);
    EXPECT_EQ(CString(Jp("ソ\\ソ\\")).Find("\\", 3), 5);
}

} // namespace
