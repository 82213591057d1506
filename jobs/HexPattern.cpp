#include "device/DiskDevice.h"

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

// The first byte is found with memchr and the rest compared in place; a generic
// substring search is much slower for the short patterns in use.
int FindAnywhere(const std::vector<BYTE>& pattern, const BYTE* buffer, DWORD length) {
    const std::size_t size = pattern.size();
    const BYTE* last = buffer + (length - size); // the last offset that holds the pattern
    for (const BYTE* at = buffer; at <= last; ++at) {
        at = static_cast<const BYTE*>(
            std::memchr(at, pattern[0], static_cast<std::size_t>(last - at) + 1));
        if (at == nullptr)
            return -1;
        if (std::memcmp(at + 1, pattern.data() + 1, size - 1) == 0)
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
