#pragma once
// The conversion tables of code page 932, filled once from the C library's
// converter on first use.
#include "platform/text/Cp932.h"

namespace text {

inline constexpr char16_t kReplacementUnit = 0xFFFD;

struct Cp932Tables {
    Cp932Tables();

    Cp932Bytes fromUnit[0x10000];
    // A single byte at its own value, a double-byte character at lead << 8 | trail;
    // U+FFFD where the code page has no character.
    char16_t toUnit[0x10000];
};

const Cp932Tables& Tables();

} // namespace text
