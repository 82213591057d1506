#include "platform/text/Cp932.h"

#include <cstring>
#include <string.h> // memmem

namespace text {

// The byte after a byte that is no lead byte always starts a character, since it
// ends one whether it stands alone or trails. So only the run of lead bytes just
// before position counts: an even run pairs up and position starts a character.
bool StartsCharacter(const unsigned char* text, std::size_t boundary, std::size_t position) {
    std::size_t start = position;
    while (start > boundary && IsLeadByte(text[start - 1])) {
        --start;
    }
    return (position - start) % 2 == 0;
}

namespace {

// Whether the whole pattern stands at a position whose first byte matches. The
// second byte is compared before calling out for the rest: most candidates fail there.
bool Matches(const unsigned char* at, std::string_view pattern) {
    return pattern.size() == 1 ||
           (at[1] == static_cast<unsigned char>(pattern[1]) &&
            std::memcmp(at + 2, pattern.data() + 2, pattern.size() - 2) == 0);
}

// After this many candidates that were no match, the text is full of the pattern's
// first byte (spaces of an empty sector, say) and the library's substring search,
// which skips ahead on a mismatch, does better than stopping at each occurrence.
constexpr std::size_t kMissesBeforeSkipping = 16;

// The next position from which the pattern may stand: its first byte, or once
// many of those failed, a whole occurrence of it.
const unsigned char* NextCandidate(const unsigned char* from, std::size_t length,
                                   std::string_view pattern, std::size_t misses) {
    const std::size_t starts = length - pattern.size() + 1;
    if (misses < kMissesBeforeSkipping) {
        return static_cast<const unsigned char*>(std::memchr(from, pattern[0], starts));
    }
    return static_cast<const unsigned char*>(memmem(from, length, pattern.data(), pattern.size()));
}

} // namespace

int FindAtCharBoundary(std::string_view text, std::string_view pattern) {
    if (text.empty() || pattern.size() > text.size()) {
        return -1;
    }
    if (pattern.empty()) {
        return 0;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    // A position known to start a character; it only moves forward, so the
    // backward walks of StartsCharacter cover each byte at most once.
    std::size_t boundary = 0;
    std::size_t misses = 0;
    for (std::size_t from = 0; from + pattern.size() <= text.size();) {
        const unsigned char* hit = NextCandidate(bytes + from, text.size() - from, pattern, misses);
        if (hit == nullptr) {
            return -1;
        }
        const auto candidate = static_cast<std::size_t>(hit - bytes);
        if (Matches(hit, pattern)) {
            if (StartsCharacter(bytes, boundary, candidate)) {
                return static_cast<int>(candidate);
            }
            // A trail byte: the next character starts right after it.
            boundary = candidate + 1;
        } else {
            ++misses;
        }
        from = candidate + 1;
    }
    return -1;
}

} // namespace text
