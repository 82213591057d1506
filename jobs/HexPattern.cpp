#include "device/DiskDevice.h"
#include "platform/text/BytePairSearch.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Every two characters of the pattern, spaces removed, are read as one signed
// base-16 number, of which the low 8 bits are the byte: "4142", "41 42" and
// "4 1 4 2" are 41 42, "ABD" is AB 0D, "ZZ" is 00, "-1" is FF.
std::vector<BYTE> HexPatternBytes(CString text) {
    text.Remove(' ');
    std::vector<BYTE> bytes;
    const int length = text.GetLength();
    bytes.reserve(static_cast<std::size_t>(length / 2 + 1));
    for (int i = 0; i < length; i += 2) {
        const char piece[3] = {text[i], i + 1 < length ? text[i + 1] : '\0', '\0'};
        bytes.push_back(static_cast<BYTE>(std::strtol(piece, nullptr, 16) & 0xFF));
    }
    return bytes;
}

// The first two bytes are found together, sixteen places at a time, and the rest
// compared in place: a first byte alone turns up every few hundred bytes of a
// disk, a pair rarely, and a generic substring search is slow for short patterns.
int FindAnywhere(const std::vector<BYTE>& pattern, const BYTE* buffer, DWORD length) {
    const std::size_t size = pattern.size();
    const BYTE* end = buffer + (length - size) + 1; // after the last offset that holds the pattern
    if (size == 1) {
        const void* at = std::memchr(buffer, pattern[0], static_cast<std::size_t>(end - buffer));
        return at == nullptr ? -1 : static_cast<int>(static_cast<const BYTE*>(at) - buffer);
    }
    // The pair at the last offset ends one byte after it, inside the buffer.
    for (const BYTE* at = buffer; at < end; ++at) {
        at = text::FindBytePair(at, end + 1, pattern[0], pattern[1]);
        if (at == nullptr)
            return -1;
        if (std::memcmp(at + 2, pattern.data() + 2, size - 2) == 0)
            return static_cast<int>(at - buffer);
    }
    return -1;
}

int FindAtSectorStarts(const std::vector<BYTE>& pattern, const BYTE* buffer, DWORD length,
                       DWORD step) {
    if (step == 0)
        return -1;
    // The first byte is tested in place before calling out for the whole pattern:
    // those loads do not wait for each other, so the misses on a chunk that has
    // just come from the device overlap instead of coming one after another.
    for (ULONGLONG offset = 0; offset + pattern.size() <= length; offset += step) {
        if (buffer[offset] == pattern[0] &&
            std::memcmp(buffer + offset, pattern.data(), pattern.size()) == 0)
            return static_cast<int>(offset);
    }
    return -1;
}

} // namespace

int DiskDevice::FindHexPattern(int type, const BYTE* buffer, DWORD length) {
    const std::vector<BYTE> pattern = HexPatternBytes(m_strJobText);
    if (pattern.empty() || pattern.size() > length)
        return -1;
    if (type == SEARCH_HEX_HEADER)
        return FindAtSectorStarts(pattern, buffer, length, GetBytesPerSector());
    return FindAnywhere(pattern, buffer, length);
}
