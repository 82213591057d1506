// Reading ahead: a real file comes in the chunks a job would read for itself; on a
// simulated disk, chunks read ahead but not taken are given back, and faults.
#include "jobs/ReadAhead.h"
#include "tests/kernel/TempFolder.h"
#include "tests/support/SimulatedMachine.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <latch>
#include <vector>

namespace {

constexpr DWORD kChunk = 64 * 1024;

HANDLE OpenUnbuffered(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_NO_BUFFERING, nullptr);
}

LONGLONG FilePointer(HANDLE file) {
    LARGE_INTEGER at{};
    SetFilePointerEx(file, LARGE_INTEGER{0}, &at, FILE_CURRENT);
    return at.QuadPart;
}

class ReadAheadFile : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(m_folder / "source.img", m_bytes);
        m_file = OpenUnbuffered(m_folder / "source.img");
        ASSERT_NE(m_file, INVALID_HANDLE_VALUE);
    }
    void TearDown() override { CloseHandle(m_file); }

    bool SameAsFile(const BYTE* buffer, std::size_t offset, DWORD length) const {
        return std::memcmp(buffer, m_bytes.data() + offset, length) == 0;
    }

    // Five chunks and two sectors.
    const std::vector<char> m_bytes = Pattern(5 * kChunk + 1024, 3);
    TempFolder m_folder;
    HANDLE m_file = INVALID_HANDLE_VALUE;
};

TEST_F(ReadAheadFile, ChunksComeInOrderAsTheFileHoldsThem) {
    ReadAhead reader(m_file, kChunk, static_cast<LONGLONG>(m_bytes.size()), 0);
    for (std::size_t offset = 0; offset < m_bytes.size(); offset += kChunk) {
        BYTE* buffer = nullptr;
        DWORD done = 0;
        ASSERT_TRUE(reader.Next(buffer, done));
        const DWORD expected = offset + kChunk <= m_bytes.size() ? kChunk : 1024;
        ASSERT_EQ(done, expected) << offset;
        EXPECT_TRUE(SameAsFile(buffer, offset, done)) << offset;
    }
    // Nothing is read past the total, and asking again brings nothing.
    BYTE* buffer = nullptr;
    DWORD done = 1;
    EXPECT_TRUE(reader.Next(buffer, done));
    EXPECT_EQ(done, 0u);
}

// A simulated disk, for its faults and to see each read as it begins.
class ReadAheadDisk : public ::testing::Test {
protected:
    void SetUp() override {
        disk.FillByte(0, 8 * kChunk, 0xEE);
        file = OpenUnbuffered(disk.Path());
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
    }
    void TearDown() override { CloseHandle(file); }

    sim::SimulatedMachine machine;
    sim::SimulatedDisk& disk = machine.AddDisk(64 << 20, 512);
    HANDLE file = INVALID_HANDLE_VALUE;
};

TEST_F(ReadAheadDisk, ChunksNotTakenAreGivenBack) {
    disk.FillByte(2 * kChunk, kChunk, 0x22);
    std::latch thirdChunkBegun(1);
    disk.BeforeReadAt(3 * kChunk, [&] { thirdChunkBegun.count_down(); });
    {
        ReadAhead reader(file, kChunk, 8 * kChunk, 0);
        BYTE* buffer = nullptr;
        DWORD done = 0;
        ASSERT_TRUE(reader.Next(buffer, done));
        ASSERT_TRUE(reader.Next(buffer, done));
        // Chunk 2 has been read once chunk 3 begins, and the reader waits for that
        // read before it goes.
        thirdChunkBegun.wait();
    }
    EXPECT_EQ(disk.Reads().size(), 4u);
    EXPECT_EQ(FilePointer(file), 2 * kChunk);
    std::vector<BYTE> next(kChunk);
    DWORD done = 0;
    ASSERT_TRUE(ReadFile(file, next.data(), kChunk, &done, nullptr));
    EXPECT_EQ(next, std::vector<BYTE>(kChunk, 0x22));
}

TEST_F(ReadAheadDisk, FailedReadIsHandedOverInItsTurnAndEndsTheReading) {
    disk.FailRead(2 * kChunk + 512, EBADMSG);
    ReadAhead reader(file, kChunk, 8 * kChunk, 0);
    BYTE* buffer = nullptr;
    DWORD done = 0;
    ASSERT_TRUE(reader.Next(buffer, done));
    ASSERT_TRUE(reader.Next(buffer, done));
    SetLastError(0);
    EXPECT_FALSE(reader.Next(buffer, done));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(EBADMSG));
    EXPECT_EQ(disk.Reads().size(), 3u);
}

TEST_F(ReadAheadDisk, ShortReadLeavesTheRestZeroAndTheNextStartsAtItsEnd) {
    disk.ShortenRead(kChunk + 512);
    ReadAhead reader(file, kChunk, 8 * kChunk, kChunk);
    BYTE* buffer = nullptr;
    DWORD done = 0;
    ASSERT_TRUE(reader.Next(buffer, done));
    ASSERT_TRUE(reader.Next(buffer, done));
    ASSERT_EQ(done, 512u);
    EXPECT_EQ(buffer[511], 0xEE);
    EXPECT_EQ(std::vector<BYTE>(buffer + 512, buffer + kChunk), std::vector<BYTE>(kChunk - 512, 0));
    // The next read starts at the fault and brings nothing, which ends the reading.
    ASSERT_TRUE(reader.Next(buffer, done));
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(disk.Reads(),
              (std::vector<sim::Transfer>{{0, kChunk}, {kChunk, kChunk}, {kChunk + 512, kChunk}}));
}

} // namespace
