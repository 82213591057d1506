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

// Whole chunks from first on.
std::vector<sim::Transfer> Chunks(std::size_t first, std::size_t count) {
    std::vector<sim::Transfer> chunks;
    for (std::size_t i = first; i < first + count; ++i)
        chunks.push_back({i * kChunk, kChunk});
    return chunks;
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
    for (std::size_t readers : {1u, 2u}) {
        SCOPED_TRACE(readers);
        SetFilePointerEx(m_file, LARGE_INTEGER{0}, nullptr, FILE_BEGIN);
        {
            ReadAhead reader(m_file, kChunk, static_cast<LONGLONG>(m_bytes.size()), 0, readers);
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
        EXPECT_EQ(FilePointer(m_file), static_cast<LONGLONG>(m_bytes.size()));
    }
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
    for (std::size_t readers : {1u, 2u}) {
        SCOPED_TRACE(readers);
        disk.ClearCounters();
        SetFilePointerEx(file, LARGE_INTEGER{0}, nullptr, FILE_BEGIN);
        std::latch thirdChunkBegun(1);
        disk.BeforeReadAt(3 * kChunk, [&] { thirdChunkBegun.count_down(); });
        {
            ReadAhead reader(file, kChunk, 8 * kChunk, 0, readers);
            BYTE* buffer = nullptr;
            DWORD done = 0;
            ASSERT_TRUE(reader.Next(buffer, done));
            ASSERT_TRUE(reader.Next(buffer, done));
            // With chunk 1 held, chunks 2 and 3 fill the other two buffers; the reader
            // waits for the reads in flight before it goes.
            thirdChunkBegun.wait();
        }
        EXPECT_EQ(sim::ByOffset(disk.Reads()), Chunks(0, 4));
        EXPECT_EQ(FilePointer(file), 2 * kChunk);
        std::vector<BYTE> next(kChunk);
        DWORD done = 0;
        ASSERT_TRUE(ReadFile(file, next.data(), kChunk, &done, nullptr));
        EXPECT_EQ(next, std::vector<BYTE>(kChunk, 0x22));
    }
}

// A disk always has the next read waiting: the chunk after one held up in the
// disk is read meanwhile.
TEST_F(ReadAheadDisk, TwoReadersReadTheNextChunkWhileOneWaits) {
    std::latch secondChunkBegun(1);
    std::latch release(1);
    disk.BeforeReadAt(kChunk, [&] { release.wait(); });
    disk.BeforeReadAt(2 * kChunk, [&] {
        secondChunkBegun.count_down();
        release.count_down();
    });
    ReadAhead reader(file, kChunk, 8 * kChunk, 0, 2);
    BYTE* buffer = nullptr;
    DWORD done = 0;
    ASSERT_TRUE(reader.Next(buffer, done));
    secondChunkBegun.wait();
    ASSERT_TRUE(reader.Next(buffer, done));
    EXPECT_EQ(buffer[0], 0xEE);
}

// A read that fails or brings less than it asked for is the last chunk handed
// over, and no read begins once it has come back.
TEST_F(ReadAheadDisk, FailedOrShortReadIsTheLastChunkHandedOver) {
    for (std::size_t readers : {1u, 2u}) {
        for (bool fails : {true, false}) {
            SCOPED_TRACE(testing::Message() << readers << (fails ? " failed" : " short"));
            sim::SimulatedMachine faulty;
            sim::SimulatedDisk& source = faulty.AddDisk(64 << 20, 512);
            source.FillByte(0, 8 * kChunk, 0xEE);
            if (fails)
                source.FailRead(2 * kChunk + 512, EBADMSG);
            else
                source.ShortenRead(2 * kChunk + 512);
            HANDLE handle = OpenUnbuffered(source.Path());
            ASSERT_NE(handle, INVALID_HANDLE_VALUE);
            {
                ReadAhead reader(handle, kChunk, 8 * kChunk, kChunk, readers);
                BYTE* buffer = nullptr;
                DWORD done = 0;
                ASSERT_TRUE(reader.Next(buffer, done));
                ASSERT_TRUE(reader.Next(buffer, done));
                SetLastError(0);
                EXPECT_EQ(reader.Next(buffer, done), !fails);
                if (fails) {
                    EXPECT_EQ(GetLastError(), static_cast<DWORD>(EBADMSG));
                } else {
                    ASSERT_EQ(done, 512u);
                    EXPECT_EQ(buffer[511], 0xEE);
                    EXPECT_EQ(std::vector<BYTE>(buffer + 512, buffer + kChunk),
                              std::vector<BYTE>(kChunk - 512, 0));
                }
                ASSERT_TRUE(reader.Next(buffer, done));
                EXPECT_EQ(done, 0u);
            }
            // Two readers may have begun the two chunks after it while it was read.
            const std::vector<sim::Transfer> reads = sim::ByOffset(source.Reads());
            const std::size_t most = readers == 2 ? 5 : 3;
            EXPECT_TRUE(reads.size() >= 3 && reads.size() <= most &&
                        reads == Chunks(0, reads.size()))
                << reads.size();
            // The pointer stands where the chunk after the last one handed over begins.
            EXPECT_EQ(FilePointer(handle), fails ? 2 * kChunk : 2 * kChunk + 512);
            CloseHandle(handle);
        }
    }
}

} // namespace
