// The search compares patterns with what the SJIS and Unicode renderings make of
// the bytes, without rendering: within one sector it must find what the rendering
// of that sector finds, at the same character, and nothing else. Random sectors
// with lead bytes, spaces, byte order marks and the pattern's units sown in, at
// odd and even offsets.
#include "device/TextSearch.h"
#include "device/DiskDevice.h"
#include "device/RenderedUnits.h"
#include "platform/text/Cp932.h"
#include "tests/support/SimulatedMachine.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Rendering = int (DiskDevice::*)(const BYTE*, char*, DWORD, CString&, const CString&);

// The offset of the sector's byte or unit whose character begins at a position of
// the rendering: SJIS renders a byte as a character, Unicode a unit.
std::size_t OffsetOfCharacter(int kind, const std::vector<BYTE>& sector, int position) {
    if (position < 0)
        return sector.size();
    if (kind == TEXT_SJIS)
        return static_cast<std::size_t>(position);
    std::size_t offset = 0;
    for (int rendered = 0; rendered < position; offset += 2)
        rendered += RenderedUnits()[UnitAt(sector.data() + offset)].length;
    return offset;
}

TEST(TextSearch, FindsWhatTheRenderingOfASectorFinds) {
    sim::SimulatedMachine machine;
    DiskDevice device;
    const std::string patterns[] = {"K",        "Ko",    " A",   "?",     "\\",       "~",
                                    Jp("漢字"), Jp("ｱ"), "\x82", "A\x82", "\x82\x41", ""};
    const char16_t sown[] = {u'K', u'o',   u' ',  u'A',  0x0000, 0xFEFF, u'\\',  0x00A5,
                             u'~', 0x203E, u'漢', u'字', u'ｱ',   u'あ',  0x4241, 0x4182};
    struct Kind {
        int kind;
        Rendering render;
    };
    const Kind kinds[] = {{TEXT_SJIS, &DiskDevice::RenderSjisText},
                          {TEXT_UNICODE, &DiskDevice::RenderUnicodeText}};
    std::mt19937 random(7);
    int found = 0;
    for (int round = 0; round < 4000; ++round) {
        std::vector<BYTE> sector(64);
        for (BYTE& byte : sector)
            byte = static_cast<BYTE>(random());
        for (int k = 0; k < 3; ++k) {
            const char16_t unit = sown[random() % std::size(sown)];
            const std::size_t at = random() % (sector.size() - 1);
            sector[at] = static_cast<BYTE>(unit & 0xFF);
            sector[at + 1] = static_cast<BYTE>(unit >> 8);
        }
        for (const Kind& kind : kinds) {
            for (const std::string& pattern : patterns) {
                std::vector<char> scratch(2 * sector.size());
                CString text;
                const int position = (device.*kind.render)(sector.data(), scratch.data(), 64, text,
                                                           CString(pattern));
                const std::size_t at =
                    FindRenderedText(kind.kind, pattern, sector.data(), sector.size(), 64);
                ASSERT_EQ(at, OffsetOfCharacter(kind.kind, sector, position))
                    << "round " << round << " kind " << kind.kind << " pattern " << pattern;
                found += position != -1;
            }
        }
    }
    EXPECT_GT(found, 20000);
}

} // namespace
