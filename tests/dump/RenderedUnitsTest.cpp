// The Unicode rendering's quick test for sectors that cannot hold a text: it must
// never pass over a sector in whose rendering the pattern is found.
#include "device/RenderedUnits.h"
#include "device/DiskDevice.h"
#include "platform/text/Cp932.h"
#include "tests/support/SimulatedMachine.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

int RenderedPosition(DiskDevice& device, const std::vector<BYTE>& sector,
                     const std::string& pattern) {
    std::vector<char> scratch(2 * sector.size());
    CString text;
    return device.RenderUnicodeText(sector.data(), scratch.data(),
                                    static_cast<DWORD>(sector.size()), text, CString(pattern));
}

bool MayHold(const std::vector<BYTE>& sector, const std::string& pattern) {
    return RenderedTextFilter(pattern).MayHold(sector.data(), static_cast<DWORD>(sector.size()));
}

std::vector<BYTE> Bytes(std::string_view bytes) {
    return {bytes.begin(), bytes.end()};
}

TEST(RenderedUnits, SectorsWithoutTheFirstUnitAreRuledOut) {
    EXPECT_FALSE(MayHold(std::vector<BYTE>(512), "K"));
    EXPECT_FALSE(MayHold(Bytes(std::string_view("\0K\0\0", 4)), "K")); // 4B at an odd offset
    EXPECT_TRUE(MayHold(Bytes(std::string_view("\0\0K\0", 4)), "K"));
    EXPECT_FALSE(MayHold(Bytes(std::string_view("A\0K", 3)), "K")); // an odd last byte is no unit
    // Zero and the byte order mark are spaces.
    EXPECT_TRUE(MayHold(Bytes(std::string_view("A\0B\0", 4)), "A"));
    EXPECT_TRUE(MayHold(std::vector<BYTE>(512), " "));
    EXPECT_TRUE(MayHold(Bytes("\xFF\xFE"), " "));
    EXPECT_TRUE(MayHold(Bytes("AB"), ""));
    // A double-byte first character is looked for as its unit.
    const std::string kanji = Jp("漢字");
    EXPECT_FALSE(MayHold(std::vector<BYTE>(512), kanji));
    EXPECT_TRUE(MayHold(Bytes("\x22\x6F"), kanji)); // U+6F22
    // A lone lead byte begins too many characters to look for.
    EXPECT_TRUE(MayHold(std::vector<BYTE>(512), kanji.substr(0, 1)));
}

// Random sectors with the units of each pattern's first character sown in, at odd
// and even offsets: whenever the rendering finds the pattern, the quick test must
// have let the sector through.
TEST(RenderedUnits, NeverRulesOutASectorThatHoldsThePattern) {
    sim::SimulatedMachine machine;
    DiskDevice device;
    const std::string patterns[] = {"K", "Ko", " A", "?", "\\", "~", Jp("漢字"), Jp("ｱ"), "\x82"};
    const char16_t sown[] = {u'K', u'o',   u' ',  u'A',  0x0000, 0xFEFF, u'\\', 0x00A5,
                             u'~', 0x203E, u'漢', u'字', u'ｱ',   u'あ',  0x4241};
    std::mt19937 random(7);
    int found = 0;
    int ruledOut = 0;
    for (int round = 0; round < 4000; ++round) {
        std::vector<BYTE> sector(64 + round % 3);
        for (BYTE& byte : sector)
            byte = static_cast<BYTE>(random());
        for (int k = 0; k < 3; ++k) {
            const char16_t unit = sown[random() % std::size(sown)];
            const std::size_t at = random() % (sector.size() - 1);
            sector[at] = static_cast<BYTE>(unit & 0xFF);
            sector[at + 1] = static_cast<BYTE>(unit >> 8);
        }
        for (const std::string& pattern : patterns) {
            const bool mayHold = MayHold(sector, pattern);
            const int position = RenderedPosition(device, sector, pattern);
            ASSERT_TRUE(mayHold || position == -1) << "round " << round << " pattern " << pattern;
            found += position != -1;
            ruledOut += !mayHold;
        }
    }
    // Both sides were exercised.
    EXPECT_GT(found, 1000);
    EXPECT_GT(ruledOut, 1000);
}

} // namespace
