#include "device/TextAnchor.h"
#include "platform/text/BytePairSearch.h"

#include <algorithm>
#include <cstring>

namespace {

// Where the anchor's bytes stand at or after at; nullptr when nowhere.
const BYTE* FindAnchor(const TextAnchor& anchor, const BYTE* at, const BYTE* end) {
    if (anchor.size == 1)
        return static_cast<const BYTE*>(
            std::memchr(at, anchor.bytes[0], static_cast<std::size_t>(end - at)));
    return text::FindBytePair(at, end, anchor.bytes[0], anchor.bytes[1]);
}

} // namespace

std::size_t NextAnchored(const TextAnchor& anchor, const BYTE* bytes, std::size_t length,
                         std::size_t from, std::size_t step) {
    for (std::size_t position = from;;) {
        position = (position + step - 1) / step * step;
        const std::size_t at = position + anchor.offset;
        if (at + std::max<std::size_t>(anchor.size, 1) > length)
            return length;
        if (anchor.size == 0)
            return position;
        const BYTE* found = FindAnchor(anchor, bytes + at, bytes + length);
        if (found == nullptr)
            return length;
        const auto start = static_cast<std::size_t>(found - bytes) - anchor.offset;
        if (start % step == 0)
            return start;
        position = start + 1;
    }
}
