// The pattern search over a simulated disk: where each outcome leaves the position,
// the hex pattern's conversion and the text types' renderings.
#include "platform/framework/Messages.h"
#include "platform/framework/Styles.h"
#include "tests/jobs/JobHarness.h"

#include <atomic>
#include <string>
#include <vector>

namespace {

class SearchJobTest : public JobTest {
protected:
    static constexpr ULONGLONG kDisk = 64 << 20;
    static constexpr LONGLONG kLast = kDisk / 512 - 1;

    // Sets the job's pattern without searching: a reversed range ends at once.
    void SetPattern(const char* pattern) { RunSearch(SEARCH_HEX, 1, 0, pattern); }

    // The reads, in whatever order they reached the disk, were whole chunks one
    // after another from the first: the one searched and up to two read ahead,
    // reads at most (up to `most` at all).
    static void ExpectChunksReadFrom(const SimulatedDisk& disk, ULONGLONG first,
                                     std::size_t most = 3) {
        const std::vector<sim::Transfer> reads = sim::ByOffset(disk.Reads());
        ASSERT_GE(reads.size(), 1u);
        EXPECT_LE(reads.size(), most);
        for (std::size_t i = 0; i < reads.size(); ++i)
            EXPECT_EQ(reads[i], (sim::Transfer{first + i * kChunk, kChunk}));
    }
};

TEST_F(SearchJobTest, HexPatternConversion) {
    OpenDisk(kDisk);
    struct Case {
        const char* pattern;
        std::vector<BYTE> bytes;
    };
    const Case cases[] = {
        {"4142", {0x41, 0x42}}, {"41 42", {0x41, 0x42}}, {"4 1 4 2", {0x41, 0x42}},
        {"ABD", {0xAB, 0x0D}},  {"ZZ", {0x00}},          {"-1", {0xFF}},
        {"+f0", {0x0F, 0x00}},  {"aBcD", {0xAB, 0xCD}}};
    for (const Case& c : cases) {
        std::vector<BYTE> buffer(512, 0x11);
        std::copy(c.bytes.begin(), c.bytes.end(), buffer.begin() + 300);
        SetPattern(c.pattern);
        EXPECT_EQ(device.FindHexPattern(SEARCH_HEX, buffer.data(), 512), 300) << c.pattern;
    }
    std::vector<BYTE> spaces(512, 0x20);
    for (const char* nothing : {"", "   "}) {
        SetPattern(nothing);
        EXPECT_EQ(device.FindHexPattern(SEARCH_HEX, spaces.data(), 512), -1) << '"' << nothing;
    }
}

TEST_F(SearchJobTest, HexMatchMustLieWholeInTheBuffer) {
    OpenDisk(kDisk);
    std::vector<BYTE> buffer(1024, 0);
    buffer[1021] = 0xAA;
    buffer[1022] = 0xBB;
    buffer[1023] = 0xCC;
    SetPattern("AABBCC");
    EXPECT_EQ(device.FindHexPattern(SEARCH_HEX, buffer.data(), 1024), 1021);
    EXPECT_EQ(device.FindHexPattern(SEARCH_HEX, buffer.data(), 1023), -1);
    SetPattern("AABBCCDD");
    EXPECT_EQ(device.FindHexPattern(SEARCH_HEX, buffer.data(), 3), -1);
    // A header match lies at a sector start only.
    buffer[512] = 0xAA;
    buffer[513] = 0xBB;
    SetPattern("AABB");
    EXPECT_EQ(device.FindHexPattern(SEARCH_HEX_HEADER, buffer.data(), 1024), 512);
    EXPECT_EQ(device.FindInSectors(SEARCH_HEX_HEADER, buffer.data(), 513), -1);
    EXPECT_EQ(device.FindInSectors(SEARCH_HEX, buffer.data(), 1024), 1);
}

TEST_F(SearchJobTest, BootSignatureInSectorZero) {
    SimulatedDisk& disk = OpenDisk(kDisk);
    disk.Fill(510, "\x55\xAA");
    RunSearch(SEARCH_HEX, 0, kLast, "55AA");
    EXPECT_EQ(device.GetPosition(), 0);
    ExpectChunksReadFrom(disk, 0);
    // Searching again without moving ends on the same sector.
    RunSearch(SEARCH_HEX, 0, kLast, "55 AA");
    EXPECT_EQ(device.GetPosition(), 0);
    EXPECT_FALSE(device.TakeSearchMissed());
}

TEST_F(SearchJobTest, HeaderSearchOnlyAtSectorStarts) {
    SimulatedDisk& disk = OpenDisk(kDisk);
    disk.Fill(3 * 512 + 100, "BM");
    disk.Fill(7 * 512, "BM");
    RunSearch(SEARCH_HEX_HEADER, 0, kLast, "424D");
    EXPECT_EQ(device.GetPosition(), 7 * 512);
    RunSearch(SEARCH_HEX, 0, kLast, "424D");
    EXPECT_EQ(device.GetPosition(), 3 * 512);
}

// Every type's match may run across ASCII's lines, sectors and chunks; it is
// reported at the sector of its first byte, of the chunk before if need be.
TEST_F(SearchJobTest, MatchesRunAcrossLinesSectorsAndChunks) {
    SimulatedDisk& disk = OpenDisk(kDisk);
    struct Case {
        int type;
        const char* pattern;
        std::string bytes;
    };
    const Case cases[] = {
        {SEARCH_HEX, "0102", "\x01\x02"},
        {TEXT_ASCII, "AB", "AB"},
        {TEXT_SJIS, "AB", "AB"},
        {TEXT_UNICODE, "AB", std::string("A\0B\0", 4)},
    };
    for (const Case& c : cases) {
        for (LONGLONG boundary :
             {LONGLONG{9 * 512 + 16}, LONGLONG{10 * 512}, LONGLONG{3 * kChunk}}) {
            const auto start = static_cast<ULONGLONG>(boundary) - c.bytes.size() / 2;
            disk.Fill(start, c.bytes);
            RunSearch(c.type, 0, kLast, c.pattern);
            EXPECT_EQ(device.GetPosition(), (boundary - 1) / 512 * 512)
                << c.pattern << " type " << c.type << " across " << boundary;
            disk.FillByte(start, c.bytes.size(), 0);
        }
    }
    EXPECT_TRUE(backend.boxes.empty());
}

// The pane counts SJIS characters from each sector's start: a lead byte that ends
// one sector takes no trail from the next.
TEST_F(SearchJobTest, SjisMatchesBeginOnTheCharactersOfTheirSector) {
    SimulatedDisk& disk = OpenDisk(kDisk);
    disk.Fill(10 * 512 - 1, "\x82"
                            "AB");
    RunSearch(TEXT_SJIS, 0, 100, "AB");
    EXPECT_EQ(device.GetPosition(), 10 * 512);
    disk.Fill(10 * 512 - 2, "\x82"
                            "AB");
    RunSearch(TEXT_SJIS, 0, 100, "AB");
    EXPECT_EQ(device.GetPosition(), 100 * 512);
}

// On a floppy a chunk is four sectors: a long match runs across several.
TEST_F(SearchJobTest, AMatchLongerThanAChunkRunsAcrossSeveral) {
    SimulatedDisk& disk = OpenDisk(1474560);
    std::string bytes;
    CString pattern;
    for (int i = 0; i < 3000; ++i) {
        bytes.push_back(static_cast<char>(i * 7 + 3));
        pattern.AppendFormat("%02X", (i * 7 + 3) & 0xFF);
    }
    disk.Fill(3 * 2048 + 1500, bytes);
    RunSearch(SEARCH_HEX, 0, 1474560 / 512 - 1, pattern);
    EXPECT_EQ(device.GetPosition(), 3 * 2048 + 1024);
}

TEST_F(SearchJobTest, MatchFromALaterStartSector) {
    SimulatedDisk& disk = OpenDisk(kDisk);
    disk.Fill(10, "KOLM");
    disk.Fill(3 * kChunk + 40 * 512 + 7, "KOLM");
    RunSearch(SEARCH_HEX, 1, kLast, "4B4F4C4D");
    EXPECT_EQ(device.GetPosition(), (3 * 1024 + 40) * 512);
    // The first chunk starts at the first sector of the range; the match is in the fourth.
    ASSERT_GE(disk.Reads().size(), 4u);
    ExpectChunksReadFrom(disk, 512, 6);
}

TEST_F(SearchJobTest, UnicodeMatchesLittleEndianUnits) {
    SimulatedDisk& disk = OpenDisk(kDisk);
    disk.Fill(4 * 512, "AB");
    disk.Fill(8 * 512 + 64, std::string("A\0B\0", 4));
    RunSearch(TEXT_UNICODE, 0, 100, "AB");
    EXPECT_EQ(device.GetPosition(), 8 * 512);
}

TEST_F(SearchJobTest, EmptyTextPatternStopsOnTheFirstSector) {
    SimulatedDisk& disk = OpenDisk(kDisk);
    for (int type : {TEXT_ASCII, TEXT_SJIS, TEXT_UNICODE}) {
        disk.ClearCounters();
        RunSearch(type, 9, kLast, "");
        EXPECT_EQ(device.GetPosition(), 9 * 512) << type;
        SCOPED_TRACE(type);
        ExpectChunksReadFrom(disk, 9 * 512);
    }
}

// The job tells the window, which says so; the job itself shows nothing.
TEST_F(SearchJobTest, NoMatchEndsOnTheLastSectorAndTellsTheWindow) {
    OpenDisk(kDisk);
    RunSearch(TEXT_SJIS, 0, kLast, "absent");
    EXPECT_EQ(device.GetPosition(), kLast * 512);
    EXPECT_TRUE(device.TakeSearchMissed());
    EXPECT_FALSE(device.TakeSearchMissed()); // told once
    RunSearch(SEARCH_HEX, 0, kLast, "   ");
    EXPECT_EQ(device.GetPosition(), kLast * 512);
    EXPECT_TRUE(device.TakeSearchMissed());
    EXPECT_TRUE(backend.boxes.empty());
}

// The chunks after the one being searched are read ahead; a stop forgets them,
// match and all.
TEST_F(SearchJobTest, StoppedSearchLeavesTheFirstChunkNotSearched) {
    SimulatedDisk& disk = OpenDisk(kDisk);
    disk.Fill(3 * kChunk + 5 * 512, "\x55\xAA");
    // The stop comes once chunk 2 is searched, on the job's own thread as it takes
    // its rate sample, which is before it looks for a stop.
    std::atomic<bool> posted{false};
    clock.WhenRead([&] {
        if (device.GetPosition() == 3 * kChunk && !posted.exchange(true))
            PostThreadMessageA(GetCurrentThreadId(), WM_JOB_ABORT, 0, 0);
    });
    device.SetSearchType(SEARCH_HEX);
    ASSERT_EQ(device.StartSearch(Range(0, kLast, "55AA")), 1);
    WaitForJobEnd();
    EXPECT_EQ(device.GetPosition(), 3 * kChunk);
    EXPECT_FALSE(device.TakeSearchMissed());
    ASSERT_GE(disk.Reads().size(), 3u);
    ExpectChunksReadFrom(disk, 0, 5);
}

TEST_F(SearchJobTest, FailedReadLeavesTheFailingChunk) {
    SimulatedDisk& disk = OpenDisk(kDisk);
    disk.FailRead(kChunk + 512);
    RunSearch(SEARCH_HEX, 0, kLast, "55AA");
    EXPECT_EQ(device.GetPosition(), kChunk);
    EXPECT_FALSE(device.TakeSearchMissed());
    ASSERT_EQ(backend.boxes.size(), 1u);
    EXPECT_EQ(backend.boxes[0].caption, "Error");
}

TEST_F(SearchJobTest, UnlockedDeviceAndReversedRangeKeepThePosition) {
    SimulatedDisk& disk = OpenDisk(kDisk);
    disk.Fill(0, "\x55\xAA");
    device.SetPosition(20 * 512);
    RunSearch(SEARCH_HEX, 30, 29, "55AA");
    EXPECT_EQ(device.GetPosition(), 20 * 512);
    EXPECT_TRUE(disk.Reads().empty());

    SimulatedDisk& other = machine.AddDisk(kDisk);
    other.RefuseDismount();
    device.RefreshDriveList();
    device.CloseDevice();
    EXPECT_FALSE(device.OpenPhysicalDrive(other.Number()));
    device.SetPosition(5 * 512);
    RunSearch(SEARCH_HEX, 0, kLast, "55AA");
    EXPECT_EQ(device.GetPosition(), 5 * 512);
    EXPECT_TRUE(other.Reads().empty());
}

TEST_F(SearchJobTest, ReadOfPartSectorsIsReportedAndSearchedOn) {
    SimulatedDisk& disk = OpenDisk(kDisk);
    disk.Fill(900, "\x55\xAA");
    disk.ShortenRead(1000);
    RunSearch(TEXT_SJIS, 0, kLast, "absent");

    ASSERT_FALSE(backend.boxes.empty());
    EXPECT_EQ(backend.boxes[0].text, "Read bytes err");
    EXPECT_EQ(backend.boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
    // The position moved on by the bytes read; the next read there is refused,
    // as an unbuffered transfer off a sector boundary.
    EXPECT_EQ(device.GetPosition(), 1000);
    ASSERT_EQ(backend.boxes.size(), 2u);
    EXPECT_EQ(backend.boxes[1].caption, "Error");
}

TEST_F(SearchJobTest, PartSectorReadIsStillMatched) {
    SimulatedDisk& disk = OpenDisk(kDisk);
    disk.Fill(900, "\x55\xAA");
    disk.ShortenRead(1000);
    RunSearch(SEARCH_HEX, 0, kLast, "55AA");
    EXPECT_EQ(device.GetPosition(), 512);
    EXPECT_TRUE(backend.boxes.empty());
}

} // namespace
