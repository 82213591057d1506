// Every hit of a search, one after another from the first sector, on a few MiB of
// random bytes with the patterns sown in (across lines, sectors and chunks, at odd
// and even offsets), lands where grep finds the pattern's bytes: the renderings'
// rules add only where a hit may lie (one line of the ASCII text, one sector, a
// unit's even offset, one chunk).
#include "tests/jobs/Grep.h"
#include "tests/jobs/JobHarness.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr LONGLONG kSourceBytes = 4 << 20;

struct Case {
    int type;
    const char* pattern;
    const char* grep;
    LONGLONG length; // bytes of the source that one match covers
    std::function<bool(LONGLONG offset, LONGLONG length)> may; // where a hit may lie
};

bool InOneSector(LONGLONG offset, LONGLONG length) {
    return offset / 512 == (offset + length - 1) / 512;
}

bool InOneLine(LONGLONG offset, LONGLONG length) {
    return offset / 16 == (offset + length - 1) / 16;
}

class GrepRandomSourceTest : public JobTest {
protected:
    void TearDown() override {
        if (!path.empty())
            std::remove(path.c_str());
    }

    // Random bytes (below 0x80 with sevenBit, so that no byte leads a double-byte
    // character) with each form sown in at random offsets and across boundaries.
    void MakeSource(bool sevenBit, const std::vector<std::string>& forms) {
        std::mt19937 random(17);
        std::string bytes(kSourceBytes, '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(random() & (sevenBit ? 0x7F : 0xFF));
        for (const std::string& form : forms) {
            for (int k = 0; k < 40; ++k)
                bytes.replace(random() % (kSourceBytes - 64), form.size(), form);
            for (LONGLONG end :
                 {LONGLONG{16 * 5}, LONGLONG{512 * 7}, LONGLONG{kChunk}, LONGLONG{3 * kChunk}})
                bytes.replace(static_cast<std::size_t>(end - 2), form.size(), form);
        }
        path = Output("mktemp /tmp/kolm-grep-XXXXXX");
        ASSERT_FALSE(path.empty());
        path.pop_back();
        std::ofstream(path, std::ios::binary) << bytes;
        ASSERT_TRUE(device.OpenDevicePath(path.c_str()));
    }

    // From the first sector on, each search starting on the sector after the last
    // hit, until a search runs to the end.
    void ExpectHitsOfGrep(const Case& c) {
        const std::vector<LONGLONG> offsets = GrepOffsets(path, c.grep);
        const LONGLONG last = device.GetLastLba();
        int hits = 0;
        for (LONGLONG first = 0; first <= last;) {
            const LONGLONG start = first * 512;
            LONGLONG expected = last * 512;
            for (LONGLONG offset : offsets) {
                const bool inChunk =
                    (offset - start) / kChunk == (offset + c.length - 1 - start) / kChunk;
                if (offset >= start && inChunk && c.may(offset, c.length)) {
                    expected = offset / 512 * 512;
                    break;
                }
            }
            RunSearch(c.type, first, last, c.pattern);
            ASSERT_EQ(device.GetPosition(), expected) << c.pattern << " from sector " << first;
            if (expected == last * 512 && device.GetPosition() == last * 512)
                break;
            ++hits;
            first = expected / 512 + 1;
        }
        EXPECT_GT(hits, 20) << c.pattern;
        EXPECT_TRUE(backend.boxes.empty());
    }

    std::string path;
};

TEST_F(GrepRandomSourceTest, HexAsciiAndUnicodeHitsAreGrepsHits) {
    const std::string wide("K\0o\0l\0m\0", 8);
    MakeSource(false, {"Kolm", "\x01Kolm", wide, " " + wide, std::string(2, '\0') + wide});
    const auto anywhere = [](LONGLONG, LONGLONG) { return true; };
    const auto inLine = [](LONGLONG offset, LONGLONG length) {
        return InOneSector(offset, length) && InOneLine(offset, length);
    };
    const auto unit = [](LONGLONG offset, LONGLONG length) {
        return offset % 2 == 0 && InOneSector(offset, length);
    };
    const Case cases[] = {
        {SEARCH_HEX, "4B6F6C6D", "\\x4B\\x6F\\x6C\\x6D", 4, anywhere},
        {SEARCH_HEX, "014B6F", "\\x01\\x4B\\x6F", 3, anywhere},
        {TEXT_ASCII, "Kolm", "Kolm", 4, inLine},
        // "." stands for every byte outside 0x20 to 0x7E, and for itself.
        {TEXT_ASCII, ".Kolm", "[\\x00-\\x1F\\x2E\\x7F-\\xFF]Kolm", 5, inLine},
        {TEXT_UNICODE, "Kolm", "K\\x00o\\x00l\\x00m\\x00", 8, unit},
        // A space is the unit 0x0020, 0x0000 or the byte order mark 0xFEFF.
        {TEXT_UNICODE, " Kolm", "(?:\\x20\\x00|\\x00\\x00|\\xFF\\xFE)K\\x00o\\x00l\\x00m\\x00", 10,
         unit},
    };
    for (const Case& c : cases)
        ExpectHitsOfGrep(c);
}

// Without lead bytes every byte starts a character, so the SJIS text is the bytes
// with zeros read as spaces.
TEST_F(GrepRandomSourceTest, SjisHitsAreGrepsHits) {
    MakeSource(true, {"Kolm", " Kolm", std::string(1, '\0') + "Kolm"});
    const Case cases[] = {
        {TEXT_SJIS, "Kolm", "Kolm", 4, InOneSector},
        {TEXT_SJIS, " Kolm", "[\\x00\\x20]Kolm", 5, InOneSector},
    };
    for (const Case& c : cases)
        ExpectHitsOfGrep(c);
}

} // namespace
