#include "device/ByteTextAnchors.h"
#include "device/DiskDevice.h"

#include <optional>

namespace {

bool Printable(BYTE character) {
    return character >= 0x20 && character <= 0x7E;
}

// Whether the character comes from that byte only.
bool FromOneByte(TextKind kind, BYTE character) {
    if (kind == TEXT_ASCII)
        return Printable(character) && character != '.';
    return character != ' ';
}

} // namespace

std::vector<TextAnchor> ByteTextAnchors(TextKind kind, std::string_view pattern) {
    // ASCII shows only printable characters, and no line breaks to a search.
    for (char character : pattern) {
        if (kind == TEXT_ASCII && !Printable(static_cast<BYTE>(character)))
            return {};
    }
    // The first two such characters side by side, else the first one alone.
    std::optional<TextAnchor> single;
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        const auto character = static_cast<BYTE>(pattern[at]);
        if (!FromOneByte(kind, character))
            continue;
        if (at + 1 < pattern.size() && FromOneByte(kind, static_cast<BYTE>(pattern[at + 1])))
            return {TextAnchor{{character, static_cast<BYTE>(pattern[at + 1])}, 2, at}};
        if (!single)
            single = TextAnchor{{character, 0}, 1, at};
    }
    return {single.value_or(TextAnchor{})};
}
