#pragma once
// A bzip2 file cut into its blocks. Each block of a stream begins with a 48-bit
// mark at any bit offset, holds at most 900 kB of input and can be decompressed
// alone, so that the blocks of one file may be decompressed on several threads.
// A stream ends with another mark and the check value of its blocks; streams may
// follow one another.
#include "platform/kernel/Types.h"

#include <cstddef>
#include <vector>

namespace codec::bzip2 {

// One block's bits from its mark on, moved to begin on a byte.
struct Block {
    std::vector<BYTE> bits;
    std::size_t bitCount = 0;
    char level = '9'; // the stream's block size, '1' to '9'
    DWORD crc = 0;    // the block's check value, the 32 bits after its mark
};

// Finds the blocks of the streams in the file's bytes, in order.
class BlockSplitter {
public:
    enum class Found { Block, StreamEnd, NeedMore, End, Error };

    // Adds the file's next bytes.
    void Add(const BYTE* bytes, std::size_t count);
    // Bytes added and not yet handed out in a block.
    std::size_t Pending() const { return m_data.size() - m_bit / 8; }

    // The next block; or the end of a stream, with the check value it records; or
    // more bytes are needed; or, once the input has ended, the end of the file or
    // what is wrong with it.
    Found Next(bool inputEnded, Block& block, DWORD& streamCrc, DWORD& error);

private:
    Found Header(bool inputEnded, DWORD& error);
    std::size_t BitsHeld() const { return m_data.size() * 8; }
    ULONGLONG Bits(std::size_t at, unsigned count) const;
    // The first mark at or after from, or the end of the bits held.
    std::size_t NextMark(std::size_t from) const;
    void Drop();

    std::vector<BYTE> m_data;
    std::size_t m_bit = 0;      // where the next block, stream end or header begins
    std::size_t m_searched = 0; // no mark begins between m_bit + 1 and here
    bool m_inStream = false;
    char m_level = '9';
};

// The block's bytes, decompressed and checked against its check value; the pieces
// hold at most 1 MiB each.
DWORD DecodeBlock(const Block& block, std::vector<std::vector<BYTE>>& pieces);

// A block that a false mark inside it cut in two, whole again.
Block Joined(const Block& first, const Block& second);

} // namespace codec::bzip2
