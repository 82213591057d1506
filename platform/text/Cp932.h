#pragma once
// Code page 932 (Shift-JIS as the platform extends it), whatever the machine's
// locale: lookup tables built once from the C library's converter. Characters the
// code page cannot represent become "?".
#include <cstdint>
#include <string>
#include <string_view>

namespace text {

// True for the first byte of a double-byte character.
bool IsLeadByte(unsigned char byte);

// The code page 932 bytes of one UTF-16 unit: one or two bytes, "?" when unmappable.
struct Cp932Bytes {
    char bytes[2];
    std::uint8_t length;
};
const Cp932Bytes& FromUnit(char16_t unit);

std::string FromUtf16(std::u16string_view units);
std::u16string ToUtf16(std::string_view cp932);
std::string FromUtf8(std::string_view utf8);
std::string ToUtf8(std::string_view cp932);

// Byte index of the first occurrence of pattern in text, trying start positions
// character by character, so a match never begins on a trail byte; -1 when none.
// An empty pattern is found at 0 of a non-empty text.
int FindAtCharBoundary(std::string_view text, std::string_view pattern);

} // namespace text

// A text of the program written in UTF-8 source, as the code page 932 bytes the
// program works with.
inline std::string Jp(std::string_view utf8) { return text::FromUtf8(utf8); }
