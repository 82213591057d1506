#include "platform/text/BytePairSearch.h"

#include <cstdint>
#include <cstring>

namespace text {
namespace {

// The compiler's vector type: no header of one processor's instructions needed,
// and plain code where the processor has none.
using Block = unsigned char __attribute__((vector_size(16)));
constexpr std::size_t kBlock = sizeof(Block);
// Four blocks are compared before one test of the result: the test costs more
// than a compare.
constexpr std::size_t kStride = 4 * kBlock;

Block Filled(unsigned char byte) {
    Block block;
    std::memset(&block, byte, sizeof block);
    return block;
}

Block Load(const unsigned char* at) {
    Block block;
    std::memcpy(&block, at, sizeof block);
    return block;
}

// All bits of a position are set where that position holds the pair.
Block PairsAt(const unsigned char* at, Block first, Block second) {
    return reinterpret_cast<Block>(Load(at) == first) &
           reinterpret_cast<Block>(Load(at + 1) == second);
}

bool Any(Block block) {
    std::uint64_t halves[2];
    std::memcpy(halves, &block, sizeof halves);
    return (halves[0] | halves[1]) != 0;
}

const unsigned char* FindOneByOne(const unsigned char* begin, const unsigned char* last,
                                  unsigned char first, unsigned char second) {
    for (const unsigned char* at = begin; at < last; ++at)
        if (at[0] == first && at[1] == second)
            return at;
    return nullptr;
}

} // namespace

const unsigned char* FindBytePair(const unsigned char* begin, const unsigned char* end,
                                  unsigned char first, unsigned char second) {
    if (end - begin < 2)
        return nullptr;
    const unsigned char* last = end - 1; // the place after the last that may hold the pair
    const Block firsts = Filled(first);
    const Block seconds = Filled(second);
    const unsigned char* at = begin;
    // A stride reads one byte past its positions, so one more must be there.
    for (; static_cast<std::size_t>(last - at) >= kStride; at += kStride) {
        const Block found = PairsAt(at, firsts, seconds) | PairsAt(at + kBlock, firsts, seconds) |
                            PairsAt(at + 2 * kBlock, firsts, seconds) |
                            PairsAt(at + 3 * kBlock, firsts, seconds);
        if (Any(found))
            return FindOneByOne(at, at + kStride, first, second);
    }
    return FindOneByOne(at, last, first, second);
}

} // namespace text
