#include "device/ByteTextFilter.h"
#include "device/DiskDevice.h"
#include "platform/text/BytePairSearch.h"

#include <cstring>

namespace {

// The characters the ASCII rendering writes: printable ones and its line breaks.
bool InAsciiText(BYTE character) {
    return (character >= 0x20 && character <= 0x7E) || character == '\r' || character == '\n';
}

// Whether the character comes from that byte only.
bool FromOneByte(int kind, BYTE character) {
    if (kind == TEXT_ASCII)
        return character >= 0x20 && character <= 0x7E && character != '.';
    return character != ' ';
}

} // namespace

ByteTextFilter::ByteTextFilter(int kind, std::string_view pattern) {
    // A character the rendering never writes: no sector holds the pattern.
    for (char character : pattern) {
        if (kind == TEXT_ASCII && !InAsciiText(static_cast<BYTE>(character))) {
            m_rule = Rule::None;
            return;
        }
    }
    // The first two such characters side by side, else the first one alone.
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        const auto character = static_cast<BYTE>(pattern[at]);
        if (!FromOneByte(kind, character))
            continue;
        if (at + 1 < pattern.size() && FromOneByte(kind, static_cast<BYTE>(pattern[at + 1]))) {
            m_rule = Rule::Pair;
            m_first = character;
            m_second = static_cast<BYTE>(pattern[at + 1]);
            return;
        }
        if (m_rule == Rule::Every) {
            m_rule = Rule::Byte;
            m_first = character;
        }
    }
}

bool ByteTextFilter::MayHold(const BYTE* bytes, DWORD length) const {
    switch (m_rule) {
    case Rule::None:
        return false;
    case Rule::Byte:
        return std::memchr(bytes, m_first, length) != nullptr;
    case Rule::Pair:
        return text::FindBytePair(bytes, bytes + length, m_first, m_second) != nullptr;
    default:
        return true;
    }
}
