#include "view/HexDump.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

std::vector<BYTE> RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<BYTE> bytes(count);
    for (BYTE& byte : bytes) {
        byte = static_cast<BYTE>(random());
    }
    return bytes;
}

// xxd's dump of the bytes, shown at the given offset: one line per 16 bytes,
// "<address>: <16 bytes> <the bytes as ASCII>".
std::vector<std::string> XxdLines(const std::vector<BYTE>& bytes, ULONGLONG offset) {
    const auto path = std::filesystem::temp_directory_path() / "kolm_hexdump_test.bin";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const std::string command =
        "xxd -u -g1 -c16 -o " + std::to_string(offset) + " '" + path.string() + "'";
    std::vector<std::string> lines;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, pipe) != nullptr) {
            lines.emplace_back(line, std::strcspn(line, "\n"));
        }
        pclose(pipe);
    }
    std::filesystem::remove(path);
    return lines;
}

// An xxd line in the hex view's layout: the address zero-padded to ten digits
// between single spaces, then " XX" per byte.
std::string AsHexViewLine(const std::string& xxdLine) {
    std::istringstream fields(xxdLine);
    std::string address;
    fields >> address;
    address.pop_back(); // the colon
    for (char& c : address) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    std::string line =
        " " + std::string(address.size() < 10 ? 10 - address.size() : 0, '0') + address + " ";
    std::string byte;
    for (int i = 0; i < 16 && fields >> byte; ++i) {
        line += " " + byte;
    }
    return line;
}

} // namespace

TEST(HexDump, MatchesXxdAcrossTheElevenDigitAddresses) {
    if (std::system("command -v xxd > /dev/null") != 0) {
        GTEST_SKIP() << "xxd is not installed";
    }
    const std::vector<BYTE> bytes = RandomBytes(4096, 1);
    // The sector straddles 2^40, where the address grows to eleven digits.
    const ULONGLONG offset = (ULONGLONG{1} << 40) - 2048;
    const std::vector<std::string> expected = XxdLines(bytes, offset);
    ASSERT_EQ(expected.size(), 256u);
    const std::vector<std::string> lines =
        SplitLines(FormatHexDump(static_cast<LONGLONG>(offset), bytes.data(), 4096).str());
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t k = 0; k < lines.size(); ++k) {
        EXPECT_EQ(lines[k], AsHexViewLine(expected[k])) << "line " << k;
    }
    EXPECT_EQ(lines[127].size(), 60u);
    EXPECT_EQ(lines[128].size(), 61u);
    EXPECT_EQ(lines[128].substr(0, 13), " 10000000000 ");
}

TEST(HexDump, ZeroSectorAtTheStart) {
    const std::vector<BYTE> zeros(512);
    const std::string text = FormatHexDump(0, zeros.data(), 512).str();
    const std::vector<std::string> lines = SplitLines(text);
    ASSERT_EQ(lines.size(), 32u);
    std::string sixteenZeros;
    for (int i = 0; i < 16; ++i) {
        sixteenZeros += " 00";
    }
    EXPECT_EQ(lines.front(), " 0000000000 " + sixteenZeros);
    EXPECT_EQ(lines.back(), " 00000001F0 " + sixteenZeros);
    EXPECT_EQ(text.size(), 32 * 60 + 31 * 2u);
    EXPECT_NE(text.substr(text.size() - 2), "\r\n");
}

TEST(HexDump, LineCountsAndTheAddressOfEachLine) {
    std::vector<BYTE> bytes(4096);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<BYTE>(i);
    }
    EXPECT_EQ(SplitLines(FormatHexDump(0x200, bytes.data(), 2048).str()).size(), 128u);
    const std::vector<std::string> lines =
        SplitLines(FormatHexDump(0x200, bytes.data(), 4096).str());
    ASSERT_EQ(lines.size(), 256u);
    EXPECT_EQ(lines[0], " 0000000200  00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F");
    EXPECT_EQ(lines[255].substr(0, 12), " 00000011F0 ");
    EXPECT_EQ(lines[255].substr(48), " FC FD FE FF");
}

TEST(HexDump, LengthsOutsideWholeLinesStayInsideTheBuffer) {
    // Exactly sized, so that a read past the end shows under the address sanitizer.
    const std::vector<BYTE> bytes(20, 0xAB);
    EXPECT_EQ(SplitLines(FormatHexDump(0, bytes.data(), 20).str()).size(), 1u);
    const std::vector<BYTE> few(15, 0xAB);
    EXPECT_EQ(FormatHexDump(0, few.data(), 15), "");
}
