#include "platform/text/Cp932.h"

#include <cstring>

namespace text {
namespace {

// Whether position starts a character, given that boundary (<= position) does.
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

} // namespace

int FindAtCharBoundary(std::string_view text, std::string_view pattern) {
    if (text.empty() || pattern.size() > text.size()) {
        return -1;
    }
    if (pattern.empty()) {
        return 0;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t lastStart = text.size() - pattern.size();
    // A position known to start a character; it only moves forward, so the
    // backward walks of StartsCharacter cover each byte at most once.
    std::size_t boundary = 0;
    for (std::size_t from = 0; from <= lastStart;) {
        const void* hit = std::memchr(bytes + from, pattern[0], lastStart - from + 1);
        if (hit == nullptr) {
            return -1;
        }
        const auto candidate =
            static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - bytes);
        if (!StartsCharacter(bytes, boundary, candidate)) {
            // A trail byte: the next character starts right after it.
            boundary = candidate + 1;
        } else if (std::memcmp(bytes + candidate + 1, pattern.data() + 1, pattern.size() - 1) ==
                   0) {
            return static_cast<int>(candidate);
        } else {
            boundary = candidate;
        }
        from = candidate + 1;
    }
    return -1;
}

} // namespace text
