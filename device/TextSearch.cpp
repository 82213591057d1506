#include "device/TextSearch.h"
#include "device/ByteTextAnchors.h"
#include "device/DiskDevice.h"
#include "device/RenderedBytes.h"
#include "device/RenderedUnits.h"
#include "platform/text/Cp932.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Whether the pattern stands at a position: each class compares the characters
// its rendering makes of the bytes there.
class AsciiMatch {
public:
    AsciiMatch(std::string_view pattern, const BYTE* bytes, std::size_t length)
        : m_pattern(pattern), m_bytes(bytes), m_length(length) {}
    bool At(std::size_t position) {
        if (position + m_pattern.size() > m_length)
            return false;
        for (std::size_t i = 0; i < m_pattern.size(); ++i) {
            if (AsciiChar(m_bytes[position + i]) != m_pattern[i])
                return false;
        }
        return true;
    }

private:
    std::string_view m_pattern;
    const BYTE* m_bytes;
    std::size_t m_length;
};

// Zeros read as spaces, and a match begins on a character of its sector.
class SjisMatch {
public:
    SjisMatch(std::string_view pattern, const BYTE* bytes, std::size_t length, DWORD sectorSize)
        : m_pattern(pattern), m_bytes(bytes), m_length(length), m_sectorSize(sectorSize) {}
    bool At(std::size_t position) {
        if (position + m_pattern.size() > m_length)
            return false;
        for (std::size_t i = 0; i < m_pattern.size(); ++i) {
            if (SjisChar(m_bytes[position + i]) != m_pattern[i])
                return false;
        }
        return StartsCharacter(position);
    }

private:
    // A position known to start a character moves on with the positions asked
    // about, so that the walks back over lead bytes cover each byte about once.
    bool StartsCharacter(std::size_t position) {
        const std::size_t sectorStart = position / m_sectorSize * m_sectorSize;
        if (m_boundary < sectorStart || m_boundary > position)
            m_boundary = sectorStart;
        const bool starts = text::StartsCharacter(m_bytes, m_boundary, position);
        // Else position is a trail byte, and a character starts right after it.
        m_boundary = starts ? position : position + 1;
        return starts;
    }

    std::string_view m_pattern;
    const BYTE* m_bytes;
    std::size_t m_length;
    DWORD m_sectorSize;
    std::size_t m_boundary = 0;
};

// Each unit renders as a whole character; a last lead byte of the pattern matches
// the first byte of a unit's character.
class UnicodeMatch {
public:
    UnicodeMatch(std::string_view pattern, const BYTE* bytes, std::size_t length)
        : m_pattern(pattern), m_bytes(bytes), m_length(length), m_table(RenderedUnits()) {}
    bool At(std::size_t position) {
        for (std::size_t i = 0, unit = position; i < m_pattern.size(); unit += 2) {
            if (unit + 2 > m_length)
                return false;
            const RenderedUnit& entry = m_table[UnitAt(m_bytes + unit)];
            const std::size_t count = std::min<std::size_t>(entry.length, m_pattern.size() - i);
            if (std::memcmp(entry.bytes, m_pattern.data() + i, count) != 0)
                return false;
            i += count;
        }
        return position < m_length;
    }

private:
    std::string_view m_pattern;
    const BYTE* m_bytes;
    std::size_t m_length;
    const RenderedUnit* m_table;
};

// Every match holds one of the anchors: the first match is the earliest that each
// anchor leads to, looked for one anchor after another.
template <typename Match>
std::size_t FirstMatch(const std::vector<TextAnchor>& anchors, std::size_t step, Match match,
                       const BYTE* bytes, std::size_t length) {
    std::size_t first = length;
    for (const TextAnchor& anchor : anchors) {
        for (std::size_t at = NextAnchored(anchor, bytes, length, 0, step); at < first;
             at = NextAnchored(anchor, bytes, length, at + 1, step)) {
            if (match.At(at)) {
                first = at;
                break;
            }
        }
    }
    return first;
}

} // namespace

std::size_t FindRenderedText(TextKind kind, std::string_view pattern, const BYTE* bytes,
                             std::size_t length, DWORD sectorSize) {
    switch (kind) {
    case TEXT_ASCII:
        return FirstMatch(ByteTextAnchors(kind, pattern), 1, AsciiMatch(pattern, bytes, length),
                          bytes, length);
    case TEXT_SJIS:
        return FirstMatch(ByteTextAnchors(kind, pattern), 1,
                          SjisMatch(pattern, bytes, length, sectorSize), bytes, length);
    case TEXT_UNICODE:
        return FirstMatch(RenderedTextAnchors(pattern), 2, UnicodeMatch(pattern, bytes, length),
                          bytes, length);
    default:
        return length;
    }
}
