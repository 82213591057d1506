// Every hit of a search, one after another from the first sector, on a few MiB of
// random bytes with the patterns sown in (across lines, sectors and chunks, at odd
// and even offsets), lands where grep finds the pattern's bytes, wherever they lie:
// only a Unicode match must begin on a unit, at an even offset.
#include "tests/jobs/Grep.h"
#include "tests/jobs/JobHarness.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr LONGLONG kSourceBytes = 4 << 20;

struct Case {
    int type;
    const char* pattern;
    const char* grep;
    LONGLONG step = 1; // a hit lies at a multiple of it
};

class GrepRandomSourceTest : public JobTest {
protected:
    void TearDown() override {
        if (!path.empty())
            std::remove(path.c_str());
    }

    // Random bytes (below 0x80 with sevenBit, so that no byte leads a double-byte
    // character) with each form sown in at random offsets and across boundaries.
    void MakeSource(bool sevenBit, const std::vector<std::string>& forms) {
        TearDown();
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
        device.CloseDevice();
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
                if (offset >= start && offset % c.step == 0) {
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

// Without lead bytes every byte starts an SJIS character, so the SJIS text is the
// bytes with zeros read as spaces.
TEST_F(GrepRandomSourceTest, HitsAreGrepsHits) {
    const std::string wide("K\0o\0l\0m\0", 8);
    struct Source {
        bool sevenBit;
        std::vector<std::string> forms;
        std::vector<Case> cases;
    };
    const Source sources[] = {
        {false,
         {"Kolm", "\x01Kolm", wide, " " + wide, std::string(2, '\0') + wide},
         {
             {SEARCH_HEX, "4B6F6C6D", "\\x4B\\x6F\\x6C\\x6D"},
             {SEARCH_HEX, "014B6F", "\\x01\\x4B\\x6F"},
             {TEXT_ASCII, "Kolm", "Kolm"},
             // "." stands for every byte outside 0x20 to 0x7E, and for itself.
             {TEXT_ASCII, ".Kolm", "[\\x00-\\x1F\\x2E\\x7F-\\xFF]Kolm"},
             {TEXT_UNICODE, "Kolm", "K\\x00o\\x00l\\x00m\\x00", 2},
             // A space is the unit 0x0020, 0x0000 or the byte order mark 0xFEFF.
             {TEXT_UNICODE, " Kolm", "(?:\\x20\\x00|\\x00\\x00|\\xFF\\xFE)K\\x00o\\x00l\\x00m\\x00",
              2},
         }},
        {true,
         {"Kolm", " Kolm", std::string(1, '\0') + "Kolm"},
         {
             {TEXT_SJIS, "Kolm", "Kolm"},
             {TEXT_SJIS, " Kolm", "[\\x00\\x20]Kolm"},
         }},
    };
    for (const Source& source : sources) {
        MakeSource(source.sevenBit, source.forms);
        for (const Case& c : source.cases)
            ExpectHitsOfGrep(c);
    }
}

} // namespace
