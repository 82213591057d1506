// The check after a stream's last block is verified by the read that ends its
// data: images the xz and zstd programs made, of whole chunks and of a part chunk,
// read in chunks exactly as long as the size they record, fail that last read when
// a byte of the last block's stored data is changed, and so do bytes after the last
// stream. The same files undamaged read to their end without a fault.
#include "platform/compress/Compression.h"
#include "tests/kernel/TempFolder.h"
#include "tests/support/LoopDevice.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr DWORD kChunk = 512 * 1024;

enum class Damage { None, LastBlock, TrailingBytes };

// Reads the image in chunks as a restore does: up to the size its format records,
// or until it ends where the format records none (trailing bytes leave it none).
// The error of the first read that failed, and the chunk it was.
DWORD ReadInChunks(const std::string& path, ULONGLONG& failedAt) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE stream = CreateDecompressor(file, GetCompressionFormat(file));
    EXPECT_NE(stream, INVALID_HANDLE_VALUE);
    LARGE_INTEGER recorded{};
    const ULONGLONG size = GetFileSizeEx(stream, &recorded) ? ULONGLONG(recorded.QuadPart) : ~0ull;
    std::vector<BYTE> buffer(kChunk);
    DWORD error = 0, done = kChunk;
    for (failedAt = 0; failedAt < size && done == kChunk; failedAt += kChunk) {
        const auto count = static_cast<DWORD>(std::min<ULONGLONG>(kChunk, size - failedAt));
        if (!ReadFile(stream, buffer.data(), count, &done, nullptr)) {
            error = GetLastError();
            break;
        }
    }
    CloseHandle(stream);
    return error;
}

void DamageFile(const std::string& path, Damage damage) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    if (damage == Damage::LastBlock) {
        // Far enough from the end to miss the check, the index and the footer.
        const auto at = static_cast<std::streamoff>(std::filesystem::file_size(path) - 100);
        file.seekg(at);
        const char byte = static_cast<char>(file.get() ^ 0x01);
        file.seekp(at);
        file.put(byte);
    } else if (damage == Damage::TrailingBytes) {
        file.seekp(0, std::ios::end);
        const std::string bytes = "bytes after the stream that are none"; // longer than a header
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
}

// Data no program can squeeze (so only the check can tell a changed byte of it),
// compressed by the tool, behind a prefix the format passes over (an empty stream,
// then xz's stream padding or a zstd skippable frame) as long as it takes for the
// last block's check to straddle a megabyte of the file: the decompressor reads
// its input a megabyte at a time, so that check arrives only with a read of input
// after the last byte came out.
struct Tool {
    const char* command;
    const char* emptyStream; // compresses nothing into the shortest prefix
    long long checkFromEnd;  // where the middle of the last check lies, from the file's end
    long long step;          // what the prefix grows by
};

std::string ImageWhoseCheckStraddlesAnInputRead(const Tool& tool, ULONGLONG size,
                                                const std::string& folder) {
    const std::string raw = folder + "/raw.img", main = folder + "/main", image = folder + "/image";
    std::mt19937 random(11);
    std::vector<char> bytes(size);
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    std::ofstream(raw, std::ios::binary).write(bytes.data(), std::streamsize(size));
    EXPECT_TRUE(
        RunCommand("{ " + std::string(tool.command) + " '" + raw + "' > '" + main + "'; }"));
    const auto length = static_cast<long long>(std::filesystem::file_size(main));
    const long long check = length - tool.checkFromEnd, least = 64;
    long long prefix = (check + least + (1 << 20) - 1) / (1 << 20) * (1 << 20) - check;
    prefix += (tool.step - prefix % tool.step) % tool.step;
    // The empty stream, then padding: zero bytes for xz, a skippable frame for zstd.
    std::string head =
        RunCommand("{ printf '' | " + std::string(tool.emptyStream) + "; }").value_or("");
    if (tool.step == 1) {
        const auto content = static_cast<std::uint32_t>(prefix - head.size() - 8);
        head += std::string("\x50\x2a\x4d\x18", 4);
        head.append(reinterpret_cast<const char*>(&content), 4); // little-endian here
    }
    head.resize(static_cast<std::size_t>(prefix), '\0');
    std::ofstream(image, std::ios::binary) << head << std::ifstream(main, std::ios::binary).rdbuf();
    return image;
}

TEST(LastBlockCheck, TheReadThatEndsTheDataVerifiesTheLastCheck) {
    TempFolder folder;
    // xz: footer 12, index 12 and check 8 bytes; zstd: a 4-byte checksum.
    // A file xz wrote with several threads is decoded a whole block at a time, one
    // it wrote with one thread as it comes.
    const Tool tools[] = {{"xz -T0 -c", "xz -c", 28, 4},
                          {"xz -T1 -c", "xz -c", 28, 4},
                          {"zstd -q -c", "zstd -q -c", 2, 1}};
    for (const Tool& tool : tools) {
        for (const ULONGLONG size : {ULONGLONG{3} * kChunk, ULONGLONG{2} * kChunk + 4096}) {
            for (const Damage damage : {Damage::None, Damage::LastBlock, Damage::TrailingBytes}) {
                SCOPED_TRACE(std::string(tool.command) + ", " + std::to_string(size) + " bytes, " +
                             std::to_string(static_cast<int>(damage)));
                const std::string image =
                    ImageWhoseCheckStraddlesAnInputRead(tool, size, folder.Path());
                DamageFile(image, damage);
                ULONGLONG failedAt = 0;
                const DWORD error = ReadInChunks(image, failedAt);
                if (damage == Damage::None) {
                    EXPECT_EQ(error, 0u);
                    continue;
                }
                EXPECT_EQ(error, DWORD{ERROR_INVALID_DATA});
                if (damage == Damage::LastBlock) {
                    EXPECT_EQ(failedAt, (size - 1) / kChunk * kChunk);
                }
            }
        }
    }
}

} // namespace
