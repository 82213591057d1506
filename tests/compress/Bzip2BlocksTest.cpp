// A bzip2 file cut into its blocks: files the bzip2 program made, given in pieces of
// any size, come apart into blocks that decompress alone to what it compressed.
#include "platform/compress/Bzip2Blocks.h"
#include "platform/kernel/Kernel.h"
#include "tests/kernel/TempFolder.h"
#include "tests/support/LoopDevice.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using codec::bzip2::Block;
using codec::bzip2::BlockSplitter;
using Found = BlockSplitter::Found;

// What a file came apart into, and what its blocks decompress to.
struct Parts {
    std::vector<Block> blocks;
    std::vector<std::size_t> blocksPerStream;
    std::vector<BYTE> bytes;
    Found last = Found::NeedMore;
    DWORD error = 0;
};

// Gives the splitter the file in pieces of 1 to 9999 bytes and takes everything it
// finds; each stream's record of its blocks' check values must match them.
Parts Split(const std::vector<char>& file) {
    Parts parts;
    BlockSplitter splitter;
    std::mt19937 random(7);
    std::size_t given = 0;
    DWORD combined = 0;
    std::size_t inStream = 0;
    for (;;) {
        Block block;
        DWORD recorded = 0;
        parts.last = splitter.Next(given == file.size(), block, recorded, parts.error);
        if (parts.last == Found::NeedMore) {
            const std::size_t piece =
                std::min<std::size_t>(1 + random() % 9999, file.size() - given);
            splitter.Add(reinterpret_cast<const BYTE*>(file.data()) + given, piece);
            given += piece;
        } else if (parts.last == Found::Block) {
            std::vector<std::vector<BYTE>> pieces;
            EXPECT_EQ(codec::bzip2::DecodeBlock(block, pieces), 0u);
            for (const auto& bytes : pieces)
                parts.bytes.insert(parts.bytes.end(), bytes.begin(), bytes.end());
            combined = (combined << 1 | combined >> 31) ^ block.crc;
            parts.blocks.push_back(std::move(block));
            ++inStream;
        } else if (parts.last == Found::StreamEnd) {
            EXPECT_EQ(recorded, combined);
            parts.blocksPerStream.push_back(inStream);
            combined = 0;
            inStream = 0;
        } else {
            return parts;
        }
    }
}

class Bzip2BlocksTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!RunCommand("command -v bzip2"))
            GTEST_SKIP() << "bzip2 is missing: scripts/setup installs it";
        // Random bytes, zeros and text: blocks of each kind, several per stream.
        std::vector<char> input = Pattern(700000, 5);
        std::mt19937 random(3);
        for (std::size_t i = 0; i < 300000; ++i)
            input[i] = static_cast<char>(random());
        const std::string text = "Kolm reads sectors. ";
        for (std::size_t i = 0; i < 400000; ++i)
            input.push_back(text[i % text.size()]);
        m_input.assign(input.begin(), input.end());
        WriteBytes(m_folder / "input", input);
    }

    // The input compressed by bzip2 with 100 kB blocks, its first bytes and the rest
    // in two streams one after the other, as pbzip2 and lbzip2 write them.
    std::vector<char> TwoStreams() const {
        const std::string in = m_folder / "input", out = m_folder / "input.bz2";
        // In a group: RunCommand sends the group's own output elsewhere.
        EXPECT_TRUE(RunCommand("{ { head -c 250000 '" + in + "' | bzip2 -1 -c; tail -c +250001 '" +
                               in + "' | bzip2 -1 -c; } > '" + out + "'; }"));
        return ReadBytes(out);
    }

    TempFolder m_folder;
    std::vector<BYTE> m_input;
};

TEST_F(Bzip2BlocksTest, TheBlocksOfTheProgramsStreamsDecompressToItsInput) {
    const Parts parts = Split(TwoStreams());
    EXPECT_EQ(parts.last, Found::End);
    ASSERT_EQ(parts.blocksPerStream.size(), 2u);
    EXPECT_GE(parts.blocksPerStream[0], 3u);
    EXPECT_GE(parts.blocksPerStream[1], 8u);
    EXPECT_TRUE(parts.bytes == m_input);
}

TEST_F(Bzip2BlocksTest, ADamagedFileSaysWhatIsWrongAfterTheBlocksBeforeIt) {
    const std::vector<char> file = TwoStreams();
    struct Case {
        const char* name;
        std::vector<char> file;
        DWORD error;
    };
    std::vector<char> trailing = file;
    trailing.insert(trailing.end(), {'P', 'K', 3, 4});
    std::vector<char> badLevel = file;
    badLevel[3] = '0';
    const Case cases[] = {
        {"cut inside a block",
         {file.begin(), file.begin() + file.size() / 2},
         ERROR_TRUNCATED_DATA},
        {"cut after a stream's header", {file.begin(), file.begin() + 4}, ERROR_TRUNCATED_DATA},
        {"cut inside the next header", {file.begin(), file.begin() + 2}, ERROR_TRUNCATED_DATA},
        {"other bytes after the streams", trailing, ERROR_INVALID_DATA},
        {"no block size in the header", badLevel, ERROR_INVALID_DATA},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const Parts parts = Split(test.file);
        EXPECT_EQ(parts.last, Found::Error);
        EXPECT_EQ(parts.error, test.error);
        EXPECT_TRUE(std::equal(parts.bytes.begin(), parts.bytes.end(), m_input.begin()));
    }
}

// A false mark inside a block's bits would cut it in two; neither half decompresses,
// the two joined do.
TEST_F(Bzip2BlocksTest, ABlockCutInTwoDecompressesOnceJoined) {
    const Parts parts = Split(TwoStreams());
    ASSERT_GE(parts.blocks.size(), 2u);
    const Block& whole = parts.blocks[1];
    std::vector<std::vector<BYTE>> expected, pieces;
    ASSERT_EQ(codec::bzip2::DecodeBlock(whole, expected), 0u);
    for (const std::size_t cut : {whole.bitCount / 3, whole.bitCount / 2 + 5}) {
        SCOPED_TRACE(cut);
        Block first = whole, second = whole;
        first.bits.assign(whole.bits.begin(), whole.bits.begin() + (cut + 7) / 8);
        first.bitCount = cut;
        if (cut % 8 != 0)
            first.bits.back() &= static_cast<BYTE>(0xFF << (8 - cut % 8));
        second.bitCount = 0;
        second.bits.clear();
        for (std::size_t bit = cut; bit < whole.bitCount; ++bit, ++second.bitCount) {
            if (second.bitCount % 8 == 0)
                second.bits.push_back(0);
            if ((whole.bits[bit / 8] >> (7 - bit % 8)) & 1)
                second.bits.back() |= static_cast<BYTE>(0x80 >> (second.bitCount % 8));
        }
        EXPECT_NE(codec::bzip2::DecodeBlock(first, pieces), 0u);
        ASSERT_EQ(codec::bzip2::DecodeBlock(codec::bzip2::Joined(first, second), pieces), 0u);
        EXPECT_EQ(pieces, expected);
    }
}

} // namespace
