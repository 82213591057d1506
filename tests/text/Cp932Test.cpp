#include "platform/text/Cp932.h"

#include <gtest/gtest.h>

#include <clocale>

using text::Cp932Bytes;

namespace {

// Everything in this program runs under a UTF-8 locale, so nothing here can lean
// on the C library's multi-byte functions seeing code page 932.
class Utf8Locale : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr); }
};
const auto* const utf8Locale = ::testing::AddGlobalTestEnvironment(new Utf8Locale);

std::string Bytes(const Cp932Bytes& entry) {
    return std::string(entry.bytes, entry.length);
}

} // namespace

TEST(Cp932, KnownCharactersConvertToTheirCodes) {
    EXPECT_EQ(Bytes(text::FromUnit(u'A')), "A");
    EXPECT_EQ(Bytes(text::FromUnit(u'\0')), std::string(1, '\0'));
    EXPECT_EQ(Bytes(text::FromUnit(u'あ')), "\x82\xA0");
    EXPECT_EQ(Bytes(text::FromUnit(u'漢')), "\x8A\xBF");
    EXPECT_EQ(Bytes(text::FromUnit(u'ｱ')), "\xB1");
    EXPECT_EQ(Bytes(text::FromUnit(u'①')), "\x87\x40");
    EXPECT_EQ(Bytes(text::FromUnit(u'～')), "\x81\x60");
    EXPECT_EQ(Bytes(text::FromUnit(u'Ⅰ')), "\x87\x54");
}

TEST(Cp932, AsciiIsItself) {
    for (unsigned unit = 0; unit < 0x80; ++unit) {
        EXPECT_EQ(Bytes(text::FromUnit(static_cast<char16_t>(unit))),
                  std::string(1, static_cast<char>(unit)));
        EXPECT_EQ(text::ToUtf16(std::string(1, static_cast<char>(unit))),
                  std::u16string(1, static_cast<char16_t>(unit)));
    }
}

TEST(Cp932, UnmappableUnitsBecomeQuestionMarks) {
    // Surrogates by themselves included.
    for (unsigned unit : {0x00A6u, 0x0080u, 0xFEFFu, 0xFFFEu, 0xD800u, 0xDBFFu, 0xDC00u, 0xDFFFu,
                          0x4241u, 0xFFFDu}) {
        EXPECT_EQ(Bytes(text::FromUnit(static_cast<char16_t>(unit))), "?") << std::hex << unit;
    }
}

TEST(Cp932, EveryTableEntryIsOneCharacter) {
    for (unsigned unit = 0; unit < 0x10000; ++unit) {
        const Cp932Bytes& entry = text::FromUnit(static_cast<char16_t>(unit));
        const auto first = static_cast<unsigned char>(entry.bytes[0]);
        const auto second = static_cast<unsigned char>(entry.bytes[1]);
        if (entry.length == 1) {
            ASSERT_FALSE(text::IsLeadByte(first)) << std::hex << unit;
            ASSERT_EQ(second, 0) << std::hex << unit;
        } else {
            ASSERT_EQ(entry.length, 2) << std::hex << unit;
            ASSERT_TRUE(text::IsLeadByte(first)) << std::hex << unit;
            ASSERT_TRUE(text::IsTrailByte(second)) << std::hex << unit;
        }
    }
}

TEST(Cp932, LeadBytesAreTheTwoRanges) {
    int count = 0;
    for (unsigned byte = 0; byte < 0x100; ++byte) {
        count += text::IsLeadByte(static_cast<unsigned char>(byte)) ? 1 : 0;
    }
    EXPECT_EQ(count, 31 + 29);
    EXPECT_TRUE(text::IsLeadByte(0x81));
    EXPECT_TRUE(text::IsLeadByte(0x9F));
    EXPECT_TRUE(text::IsLeadByte(0xE0));
    EXPECT_TRUE(text::IsLeadByte(0xFC));
    EXPECT_FALSE(text::IsLeadByte(0x80));
    EXPECT_FALSE(text::IsLeadByte(0xA0));
    EXPECT_FALSE(text::IsLeadByte(0xDF));
    EXPECT_FALSE(text::IsLeadByte(0xFD));
}

TEST(Cp932, ConvertsBackToUnicodeWithReplacementsForNonCharacters) {
    EXPECT_EQ(text::ToUtf16("A\x82\xA0\xB1\x8A\xBF"), u"Aあｱ漢");
    // A lead byte at the end, before a byte that cannot trail, and an unassigned pair.
    EXPECT_EQ(text::ToUtf16("A\x82"), u"A\uFFFD");
    EXPECT_EQ(text::ToUtf16("\x82\r\n"), u"\uFFFD\r\n");
    EXPECT_EQ(text::ToUtf16("\x85\x40Z"), u"\uFFFDZ");
    EXPECT_EQ(text::ToUtf16("\xF0\x40"), u"\uE000"); // the user-defined area
    EXPECT_EQ(text::ToUtf16("\x80\xA0\xFD\xFE\xFF"), u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");
}

TEST(Cp932, Utf8BothWays) {
    EXPECT_EQ(Jp("日本語"), "\x93\xFA\x96\x7B\x8C\xEA");
    EXPECT_EQ(Jp("ＭＳ ゴシック"), "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E");
    EXPECT_EQ(text::ToUtf8("\x93\xFA\x96\x7B\x8C\xEA"), "日本語");
    EXPECT_EQ(text::ToUtf8(Jp("ＭＳ ゴシック、ｶﾀｶﾅ")), "ＭＳ ゴシック、ｶﾀｶﾅ");
    EXPECT_EQ(text::ToUtf8("\xFF"), "\uFFFD");
    EXPECT_EQ(text::FromUtf16(u"Aあ\U0001F600"), "A\x82\xA0??");
}

// A name either converts exactly or not at all: no byte becomes a replacement.
TEST(Cp932, ExactConversionRefusesBytesThatAreNoCharacter) {
    EXPECT_EQ(text::ToUtf8Exactly("\x95\x5C\x83\x5C/a.img"), "表ソ/a.img");
    EXPECT_EQ(text::ToUtf8Exactly(""), "");
    for (const char* bytes : {"A\x82", "\x82\r\n", "\x85\x40Z", "\x80", "\xFF.img"})
        EXPECT_EQ(text::ToUtf8Exactly(bytes), std::nullopt) << bytes;
}

TEST(Cp932, MalformedUtf8BecomesQuestionMarks) {
    EXPECT_EQ(Jp("\U0001F600"), "?");
    EXPECT_EQ(Jp("a\xFF\x62"), "a?b");
    EXPECT_EQ(Jp("\xE3\x81"), "??");    // cut short
    EXPECT_EQ(Jp("\xC0\x81"), "??");    // overlong
    EXPECT_EQ(Jp("\xED\xA0\x80"), "?"); // an encoded surrogate
}
