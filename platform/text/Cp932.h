#pragma once
// Code page 932 (Shift-JIS as the platform extends it), whatever the machine's
// locale: lookup tables built once from the C library's converter. Characters the
// code page cannot represent become "?"; bytes that are no character of it read
// back as U+FFFD.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace text {

// True for the first byte of a double-byte character.
constexpr bool IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// True for a byte that may follow a lead byte in a double-byte character.
constexpr bool IsTrailByte(unsigned char byte) {
    return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

// The code page 932 bytes of one UTF-16 unit: one or two bytes, "?" when unmappable.
// The second byte of a one-byte entry is 0, so writing both bytes and advancing by
// the length leaves a zero after the text.
struct Cp932Bytes {
    char bytes[2];
    std::uint8_t length;
};
const Cp932Bytes& FromUnit(char16_t unit);
// The whole table, indexed by unit, for loops that convert many units.
const Cp932Bytes* FromUnitTable();

std::string FromUtf16(std::u16string_view units);
std::u16string ToUtf16(std::string_view cp932);
std::string FromUtf8(std::string_view utf8);
std::string ToUtf8(std::string_view cp932);
// A text of the C library in the given charset (the locale's codeset), with "?"
// for what the code page cannot hold.
std::string FromCharset(std::string_view bytes, const char* charset);
// The same, or nothing when some bytes are no character of the code page: for a
// name that must stay exactly the one given, never become another.
std::optional<std::string> ToUtf8Exactly(std::string_view cp932);

// Text walked character by character, from a character's first byte.
// Bytes of the character that starts at index: 2 for a lead byte with a byte after it.
std::size_t CharLength(std::string_view text, std::size_t index);
// Byte index of the first one-byte character at or after start that is one of
// chars (a trail byte is never one); npos when none.
std::size_t FindChar(std::string_view text, std::string_view chars, std::size_t start = 0);
// The same for the last one.
std::size_t FindLastChar(std::string_view text, std::string_view chars);

// Whether position starts a character, given that boundary (<= position) does;
// the walk back stops at boundary.
bool StartsCharacter(const unsigned char* text, std::size_t boundary, std::size_t position);

// Byte index of the first occurrence of pattern in text, trying start positions
// character by character, so a match never begins on a trail byte; -1 when none.
// An empty pattern is found at 0 of a non-empty text.
int FindAtCharBoundary(std::string_view text, std::string_view pattern);

} // namespace text

// A text of the program written in UTF-8 source, as the code page 932 bytes the
// program works with.
inline std::string Jp(std::string_view utf8) {
    return text::FromUtf8(utf8);
}
