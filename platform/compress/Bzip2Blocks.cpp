#include "platform/compress/Bzip2Blocks.h"
#include "platform/kernel/Kernel.h"

#include <bzlib.h>

#include <algorithm>
#include <array>

namespace codec::bzip2 {

namespace {

constexpr ULONGLONG kBlockMark = 0x314159265359;
constexpr ULONGLONG kEndMark = 0x177245385090;
constexpr unsigned kMarkBits = 48;
constexpr unsigned kCrcBits = 32;
constexpr std::size_t kPiece = 1 << 20;
// Bytes before the next block are let go once there are this many.
constexpr std::size_t kDropAfter = 1 << 20;

DWORD ErrorOf(int result) {
    switch (result) {
    case BZ_OK:
    case BZ_STREAM_END:
        return 0;
    case BZ_MEM_ERROR:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_INVALID_DATA;
    }
}

bool BitAt(const BYTE* bytes, std::size_t at) {
    return (bytes[at / 8] >> (7 - at % 8)) & 1;
}

// Appends count bits to out, whose first `at` bits are in use; bits past them are 0.
void AppendBits(std::vector<BYTE>& out, std::size_t& at, const BYTE* bits, std::size_t count) {
    out.resize((at + count + 7) / 8);
    for (std::size_t i = 0; i < count; ++i, ++at)
        if (BitAt(bits, i))
            out[at / 8] |= static_cast<BYTE>(0x80 >> (at % 8));
}

void AppendValue(std::vector<BYTE>& out, std::size_t& at, ULONGLONG value, unsigned count) {
    BYTE bytes[8];
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<BYTE>(value << (64 - count) >> (56 - 8 * i));
    AppendBits(out, at, bytes, count);
}

// A stream of the one block: its stream's header, the block, the end mark and,
// as the check value of a stream of one block, the block's own.
std::vector<BYTE> StreamOf(const Block& block) {
    std::vector<BYTE> stream = {'B', 'Z', 'h', static_cast<BYTE>(block.level)};
    stream.insert(stream.end(), block.bits.begin(), block.bits.end());
    std::size_t at = 32 + block.bitCount;
    AppendValue(stream, at, kEndMark, kMarkBits);
    AppendValue(stream, at, block.crc, kCrcBits);
    return stream;
}

} // namespace

void BlockSplitter::Add(const BYTE* bytes, std::size_t count) {
    m_data.insert(m_data.end(), bytes, bytes + count);
}

// Big-endian, as bzip2 writes its bits; bits past those held read as 0.
ULONGLONG BlockSplitter::Bits(std::size_t at, unsigned count) const {
    ULONGLONG word = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        const std::size_t byte = at / 8 + i;
        word = word << 8 | (byte < m_data.size() ? m_data[byte] : 0);
    }
    word <<= at % 8;
    return count == 64 ? word : word >> (64 - count);
}

// The byte after the one a mark begins in, for each mark and each bit it may begin
// at: most bytes are none of them, and no mark begins in the byte before them.
constexpr std::array<bool, 256> kSecondBytes = [] {
    std::array<bool, 256> possible{};
    for (const ULONGLONG mark : {kBlockMark, kEndMark})
        for (unsigned shift = 0; shift < 8; ++shift)
            possible[(mark >> (kMarkBits - 16 + shift)) & 0xFF] = true;
    return possible;
}();

std::size_t BlockSplitter::NextMark(std::size_t from) const {
    const std::size_t held = BitsHeld();
    for (std::size_t byte = from / 8; byte * 8 + kMarkBits <= held; ++byte) {
        if (byte + 1 < m_data.size() && !kSecondBytes[m_data[byte + 1]])
            continue;
        const ULONGLONG window = Bits(byte * 8, 64);
        for (std::size_t shift = 0; shift < 8; ++shift) {
            const std::size_t at = byte * 8 + shift;
            if (at + kMarkBits > held)
                return held;
            const ULONGLONG bits = window >> (64 - kMarkBits - shift) & ((1ULL << kMarkBits) - 1);
            if (at >= from && (bits == kBlockMark || bits == kEndMark))
                return at;
        }
    }
    return held;
}

BlockSplitter::Found BlockSplitter::Header(bool inputEnded, DWORD& error) {
    static constexpr BYTE kMagic[] = {'B', 'Z', 'h'};
    const std::size_t at = m_bit / 8, left = m_data.size() - at;
    if (left == 0 && inputEnded)
        return Found::End;
    if (left < 4 && !inputEnded)
        return Found::NeedMore;
    const auto start = m_data.begin() + static_cast<std::ptrdiff_t>(at);
    const std::size_t compared = std::min<std::size_t>(left, 3);
    if (!std::equal(start, start + static_cast<std::ptrdiff_t>(compared), kMagic) ||
        (left >= 4 && (m_data[at + 3] < '1' || m_data[at + 3] > '9'))) {
        error = ERROR_INVALID_DATA;
        return Found::Error;
    }
    if (left < 4) {
        error = ERROR_TRUNCATED_DATA;
        return Found::Error;
    }
    m_level = static_cast<char>(m_data[at + 3]);
    m_bit += 32;
    m_searched = m_bit;
    m_inStream = true;
    return Found::Block;
}

BlockSplitter::Found BlockSplitter::Next(bool inputEnded, Block& block, DWORD& streamCrc,
                                         DWORD& error) {
    if (!m_inStream)
        if (const Found found = Header(inputEnded, error); found != Found::Block)
            return found;
    const auto wanting = [&] {
        if (!inputEnded)
            return Found::NeedMore;
        error = ERROR_TRUNCATED_DATA;
        return Found::Error;
    };
    if (m_bit + kMarkBits + kCrcBits > BitsHeld())
        return wanting();
    const ULONGLONG mark = Bits(m_bit, kMarkBits);
    const auto crc = static_cast<DWORD>(Bits(m_bit + kMarkBits, kCrcBits));
    if (mark == kEndMark) {
        streamCrc = crc;
        m_bit = (m_bit + kMarkBits + kCrcBits + 7) / 8 * 8;
        m_inStream = false;
        Drop();
        return Found::StreamEnd;
    }
    if (mark != kBlockMark) {
        error = ERROR_INVALID_DATA;
        return Found::Error;
    }
    const std::size_t from = std::max(m_searched, m_bit + kMarkBits);
    const std::size_t end = NextMark(from);
    if (end == BitsHeld()) {
        m_searched = std::max(from, end - std::min<std::size_t>(end, kMarkBits - 1));
        return wanting();
    }
    block.level = m_level;
    block.crc = crc;
    block.bitCount = end - m_bit;
    block.bits.assign((block.bitCount + 7) / 8, 0);
    const std::size_t first = m_bit / 8;
    const unsigned shift = m_bit % 8;
    for (std::size_t i = 0; i < block.bits.size(); ++i) {
        const unsigned next = first + i + 1 < m_data.size() ? m_data[first + i + 1] : 0;
        block.bits[i] = static_cast<BYTE>(m_data[first + i] << shift | next >> (8 - shift));
    }
    if (const std::size_t spare = block.bits.size() * 8 - block.bitCount; spare != 0)
        block.bits.back() &= static_cast<BYTE>(0xFF << spare);
    m_bit = m_searched = end;
    Drop();
    return Found::Block;
}

void BlockSplitter::Drop() {
    const std::size_t bytes = m_bit / 8;
    if (bytes < kDropAfter)
        return;
    m_data.erase(m_data.begin(), m_data.begin() + static_cast<std::ptrdiff_t>(bytes));
    m_bit -= bytes * 8;
    m_searched -= bytes * 8;
}

DWORD DecodeBlock(const Block& block, std::vector<std::vector<BYTE>>& pieces) {
    std::vector<BYTE> stream = StreamOf(block);
    bz_stream state{};
    if (DWORD error = ErrorOf(BZ2_bzDecompressInit(&state, 0, 0)); error != 0)
        return error;
    // libbz2 counts in 32 bits; a block's stream is far smaller.
    state.next_in = reinterpret_cast<char*>(stream.data());
    state.avail_in = static_cast<unsigned>(stream.size());
    pieces.clear();
    DWORD error = 0;
    for (;;) {
        std::vector<BYTE>& piece = pieces.emplace_back(kPiece);
        state.next_out = reinterpret_cast<char*>(piece.data());
        state.avail_out = kPiece;
        const int result = BZ2_bzDecompress(&state);
        piece.resize(kPiece - state.avail_out);
        if (result == BZ_STREAM_END)
            break;
        error = ErrorOf(result);
        // Out of bytes before the stream's end: the block was cut short.
        if (error == 0 && state.avail_out != 0)
            error = ERROR_INVALID_DATA;
        if (error != 0)
            break;
    }
    BZ2_bzDecompressEnd(&state);
    return error;
}

Block Joined(const Block& first, const Block& second) {
    Block joined = first;
    std::size_t at = first.bitCount;
    AppendBits(joined.bits, at, second.bits.data(), second.bitCount);
    joined.bitCount = at;
    return joined;
}

} // namespace codec::bzip2
