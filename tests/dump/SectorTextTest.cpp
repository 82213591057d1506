#include "device/DiskDevice.h"
#include "platform/text/Cp932.h"
#include "tests/support/SimulatedMachine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A device with no drives; the renderings use none of its state.
class SectorText : public ::testing::Test {
protected:
    struct Result {
        std::string text;
        int position;
    };
    using Rendering = int (DiskDevice::*)(const BYTE*, char*, DWORD, CString&, const CString&);

    Result Render(Rendering rendering, const std::vector<BYTE>& sector,
                  const std::string& pattern = "\x01") {
        std::vector<char> scratch(2 * sector.size());
        CString text;
        const int position =
            (device.*rendering)(sector.data(), scratch.data(), static_cast<DWORD>(sector.size()),
                                text, CString(pattern));
        return {text.str(), position};
    }
    Result Ascii(const std::vector<BYTE>& sector, const std::string& pattern = "\x01") {
        return Render(&DiskDevice::RenderAsciiText, sector, pattern);
    }
    Result Sjis(const std::vector<BYTE>& sector, const std::string& pattern = "\x01") {
        return Render(&DiskDevice::RenderSjisText, sector, pattern);
    }
    Result Unicode(const std::vector<BYTE>& sector, const std::string& pattern = "\x01") {
        return Render(&DiskDevice::RenderUnicodeText, sector, pattern);
    }

    sim::SimulatedMachine machine;
    DiskDevice device;
};

std::vector<BYTE> Sector(std::size_t size, std::size_t at = 0, std::string_view bytes = {}) {
    std::vector<BYTE> sector(size);
    std::memcpy(sector.data() + at, bytes.data(), bytes.size());
    return sector;
}

std::string Repeat(const std::string& piece, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += piece;
    }
    return out;
}

} // namespace

TEST_F(SectorText, ZeroSector) {
    const std::vector<BYTE> zeros(512);
    const std::string line = std::string(16, '.');
    EXPECT_EQ(Ascii(zeros).text, line + Repeat("\r\n" + line, 31));
    EXPECT_EQ(Ascii(zeros).text.size(), 574u);
    EXPECT_EQ(Sjis(zeros).text, std::string(512, ' '));
    EXPECT_EQ(Unicode(zeros).text, std::string(256, ' '));
    EXPECT_EQ(Ascii(zeros).position, -1);
}

TEST_F(SectorText, AsciiMatchesTheCharacterColumnOfXxd) {
    if (std::system("command -v xxd > /dev/null") != 0) {
        GTEST_SKIP() << "xxd is not installed";
    }
    std::vector<BYTE> sector(512);
    for (std::size_t i = 0; i < sector.size(); ++i) {
        sector[i] = static_cast<BYTE>(i * 7 + i / 256);
    }
    const auto path = std::filesystem::temp_directory_path() / "kolm_sectortext_test.bin";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(sector.data()), 512);
    std::string expected;
    if (FILE* pipe = popen(("xxd -c16 '" + path.string() + "'").c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, pipe) != nullptr) {
            // The characters are the last 16 before the newline.
            expected += (expected.empty() ? "" : "\r\n") +
                        std::string(line + std::strcspn(line, "\n") - 16, 16);
        }
        pclose(pipe);
    }
    std::filesystem::remove(path);
    EXPECT_EQ(Ascii(sector).text, expected);
}

TEST_F(SectorText, AsciiSubstitutions) {
    const Result result = Ascii(Sector(16, 0, std::string_view("\x09\x7F\xA0 ~A\x00", 7)));
    EXPECT_EQ(result.text, "... ~A" + std::string(10, '.'));
    // A "." in the pattern matches any byte shown as one, and a real ".".
    EXPECT_EQ(Ascii(Sector(32, 5, "\x80"), ".").position, 0);
    EXPECT_EQ(Ascii(Sector(32, 0, "abc.x"), ".").position, 3);
    EXPECT_EQ(Ascii(Sector(32, 0, "abc\x1F"), ".").position, 3);
}

TEST_F(SectorText, LineBreaksStandBetweenLinesInAsciiOnly) {
    std::vector<BYTE> sector = Sector(512, 0, std::string(64, '-'));
    sector[15] = 'A';
    sector[16] = 'B';
    EXPECT_EQ(Ascii(sector, "AB").position, -1);
    EXPECT_EQ(Ascii(sector, "A\r\nB").position, 15);
    EXPECT_EQ(Sjis(sector, "AB").position, 15);
}

TEST_F(SectorText, SjisKeepsBytesAndShowsZerosAsSpaces) {
    const Result result = Sjis(Sector(16, 2, "\x82\xA0\r\nA"));
    EXPECT_EQ(result.text, "  \x82\xA0\r\nA" + std::string(9, ' '));
    EXPECT_EQ(Sjis(Sector(32, 3, "xy z"), " ").position, 0);
    EXPECT_EQ(Sjis(Sector(32, 0, "xy z\x01\x01"), " ").position, 2);
    EXPECT_EQ(Sjis(Sector(32, 0, "abc"), "").position, 0);
}

TEST_F(SectorText, SjisMatchesStartOnCharacters) {
    EXPECT_EQ(Sjis(Sector(16, 0, "\x82\x41"), "A").position, -1);
    EXPECT_EQ(Sjis(Sector(16, 0, "\x82\x41\x41"), "A").position, 2);
    EXPECT_EQ(Sjis(Sector(16, 4, "\x82\xA0"), Jp("あ")).position, 4);
    // The same bytes shifted by one: 0x82 0x82 is a character, 0xA0 stands alone.
    EXPECT_EQ(Sjis(Sector(16, 3, "\x82\x82\xA0"), Jp("あ")).position, -1);
}

TEST_F(SectorText, UnicodeConvertsLittleEndianUnits) {
    const std::u16string units = u"Aあ\r\n漢ｱ";
    std::string bytes;
    for (char16_t unit : units) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    const Result result = Unicode(Sector(16, 0, bytes), Jp("漢"));
    EXPECT_EQ(result.text, Jp("Aあ\r\n漢ｱ") + "  ");
    EXPECT_EQ(result.position, 5);
    EXPECT_EQ(Unicode(Sector(16, 4, std::string_view("A\0B\0", 4)), "AB").position, 2);
    // 41 42 is the unit 0x4241, which the code page lacks.
    EXPECT_EQ(Unicode(Sector(16, 4, "AB"), "AB").position, -1);
    EXPECT_EQ(Unicode(Sector(16, 4, "AB")).text, "  ?     ");
}

TEST_F(SectorText, UnicodeMixesAsciiAndOtherLines) {
    std::u16string units = u"ABCDEFGHあいうえおかきくIJKLMNOP";
    std::string bytes;
    for (char16_t unit : units) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    const Result result = Unicode(Sector(48, 0, bytes), "HI");
    EXPECT_EQ(result.text, Jp("ABCDEFGHあいうえおかきくIJKLMNOP"));
    EXPECT_EQ(result.position, -1);
    EXPECT_EQ(Unicode(Sector(48, 0, bytes), "P").position, 8 + 16 + 7);
}

TEST_F(SectorText, UnicodeByteOrderMarks) {
    const std::string_view bom("\xFF\xFE\x41\x00", 4);
    const std::string_view swapped("\xFE\xFF\x41\x00", 4);
    EXPECT_EQ(Unicode(Sector(16, 0, bom)).text, " A      ");
    // The unit 0xFFFE is converted like any other, and the code page lacks it.
    EXPECT_EQ(Unicode(Sector(16, 0, swapped)).text, "?A      ");
}

TEST_F(SectorText, LengthsOutsideWholeLinesStayInsideTheBuffer) {
    // Exactly sized, so that a read past the end shows under the address sanitizer.
    EXPECT_EQ(Ascii(Sector(20, 0, "0123456789abcdefWXYZ")).text, "0123456789abcdef\r\nWXYZ");
    EXPECT_EQ(Ascii(Sector(5, 0, "hello")).text, "hello");
    EXPECT_EQ(Unicode(Sector(3, 0, "A\0B")).text, "A");
    EXPECT_EQ(Unicode(Sector(1, 0, "A")).text, "");
    EXPECT_EQ(Ascii(std::vector<BYTE>{}).text, "");
}

TEST_F(SectorText, FormatSectorTextPicksTheRendering) {
    const std::vector<BYTE> sector = Sector(32, 0, std::string_view("A\0B\0", 4));
    EXPECT_EQ(device.FormatSectorText(TEXT_ASCII, sector.data(), 32).str(),
              "A.B.............\r\n................");
    EXPECT_EQ(device.FormatSectorText(TEXT_SJIS, sector.data(), 32).str(),
              "A B" + std::string(29, ' '));
    EXPECT_EQ(device.FormatSectorText(TEXT_UNICODE, sector.data(), 32).str(),
              "AB" + std::string(14, ' '));
    EXPECT_EQ(device.FormatSectorText(SEARCH_HEX, sector.data(), 32).str(), "");
}
