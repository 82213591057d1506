#include "platform/text/Cp932.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// The rule stated plainly: step through the text a character at a time and
// compare at every character start.
int SteppingSearch(std::string_view text, std::string_view pattern) {
    if (text.empty()) {
        return -1;
    }
    for (std::size_t i = 0; i + pattern.size() <= text.size();) {
        if (text.substr(i, pattern.size()) == pattern) {
            return static_cast<int>(i);
        }
        i += text::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    }
    return -1;
}

} // namespace

TEST(CharBoundarySearch, NeverMatchesOnATrailByte) {
    EXPECT_EQ(text::FindAtCharBoundary("\x82\x41", "A"), -1);
    EXPECT_EQ(text::FindAtCharBoundary("\x82\x41\x41", "A"), 2);
    EXPECT_EQ(text::FindAtCharBoundary("\x82\x82\x82\x41", "A"), -1);
    EXPECT_EQ(text::FindAtCharBoundary("A\x82\x82\x41", "A"), 0);
    EXPECT_EQ(text::FindAtCharBoundary("B\x82\x82\x41", "A"), 3);
    // A lead byte can itself be a trail byte.
    EXPECT_EQ(text::FindAtCharBoundary("\x82\x82\xA0", "\x82\xA0"), -1);
    EXPECT_EQ(text::FindAtCharBoundary("\x82\xA0\x82\xA0", "\x82\xA0"), 0);
}

TEST(CharBoundarySearch, MatchesMayEndInsideACharacter) {
    EXPECT_EQ(text::FindAtCharBoundary("A\x82\xA0", "A\x82"), 0);
    EXPECT_EQ(text::FindAtCharBoundary("A\x82", "\x82"), 1);
}

TEST(CharBoundarySearch, EmptyAndOversizedPatterns) {
    EXPECT_EQ(text::FindAtCharBoundary("abc", ""), 0);
    EXPECT_EQ(text::FindAtCharBoundary("", ""), -1);
    EXPECT_EQ(text::FindAtCharBoundary("", "a"), -1);
    EXPECT_EQ(text::FindAtCharBoundary("ab", "abc"), -1);
    EXPECT_EQ(text::FindAtCharBoundary("abc", "abc"), 0);
    EXPECT_EQ(text::FindAtCharBoundary("abcabd", "abd"), 3);
}

TEST(CharBoundarySearch, TextFullOfTheFirstByte) {
    const std::string spaces(512, ' ');
    EXPECT_EQ(text::FindAtCharBoundary(spaces, " x"), -1);
    EXPECT_EQ(text::FindAtCharBoundary(spaces + "x", " x"), 511);
    // Past the near misses, an occurrence on a trail byte is still passed over.
    const std::string trail = spaces + "\x82 x x";
    EXPECT_EQ(text::FindAtCharBoundary(trail, " x"), 515);
}

TEST(CharBoundarySearch, AgreesWithSteppingThroughTheText) {
    // Few distinct bytes, lead bytes among them, so that runs of lead bytes and
    // near misses are common.
    const unsigned char alphabet[] = {'A', 'B', 0x82, 0x82, 0xA0, 0xE0, 0x40};
    std::mt19937 random(932);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 1);
    // Long enough texts that many near misses pass the search on to the library's.
    std::uniform_int_distribution<std::size_t> textLength(0, 200);
    std::uniform_int_distribution<std::size_t> patternLength(1, 3);
    auto randomText = [&](std::size_t length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) {
            text += static_cast<char>(alphabet[pick(random)]);
        }
        return text;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string text = randomText(textLength(random));
        const std::string pattern = randomText(patternLength(random));
        ASSERT_EQ(text::FindAtCharBoundary(text, pattern), SteppingSearch(text, pattern))
            << ::testing::PrintToString(text) << " / " << ::testing::PrintToString(pattern);
    }
}
