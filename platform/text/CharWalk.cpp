#include "platform/text/Cp932.h"

namespace text {

// A lead byte takes the next byte with it, whatever that byte is, so a 0x5C or a
// 0x7C in second place never reads as a backslash or a bar.
std::size_t CharLength(std::string_view text, std::size_t index) {
    return IsLeadByte(static_cast<unsigned char>(text[index])) && index + 1 < text.size() ? 2 : 1;
}

std::size_t FindChar(std::string_view text, std::string_view chars, std::size_t start) {
    for (std::size_t i = start; i < text.size(); i += CharLength(text, i))
        if (CharLength(text, i) == 1 && chars.find(text[i]) != std::string_view::npos)
            return i;
    return std::string_view::npos;
}

std::size_t FindLastChar(std::string_view text, std::string_view chars) {
    std::size_t last = std::string_view::npos;
    for (std::size_t i = FindChar(text, chars, 0); i != std::string_view::npos;
         i = FindChar(text, chars, i + 1))
        last = i;
    return last;
}

} // namespace text
