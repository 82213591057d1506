#include "platform/text/Cp932Tables.h"

#include <iconv.h>

#include <algorithm>

namespace text {
namespace {

// One conversion of a short byte sequence; the output length, or 0 when the
// converter refuses the input.
std::size_t Convert(iconv_t converter, const char* input, std::size_t inputLength, char* output,
                    std::size_t outputSize) {
    char* in = const_cast<char*>(input);
    char* out = output;
    std::size_t inLeft = inputLength;
    std::size_t outLeft = outputSize;
    const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    // Reset the shift state, which an error may leave behind.
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (result == static_cast<std::size_t>(-1) || inLeft != 0) {
        return 0;
    }
    return outputSize - outLeft;
}

void FillFromUnit(Cp932Bytes* table) {
    std::fill_n(table, 0x10000, Cp932Bytes{{'?', '\0'}, 1});
    iconv_t converter = iconv_open("CP932", "UTF-16LE");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        // Without the converter only ASCII is known.
        for (unsigned unit = 0; unit < 0x80; ++unit) {
            table[unit] = {{static_cast<char>(unit), 0}, 1};
        }
        return;
    }
    for (unsigned unit = 0; unit < 0x10000; ++unit) {
        // A surrogate by itself is no character.
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            continue;
        }
        const char input[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        char output[4] = {};
        const std::size_t length = Convert(converter, input, 2, output, sizeof output);
        if (length == 1 || length == 2) {
            table[unit] = {{output[0], length == 2 ? output[1] : '\0'},
                           static_cast<std::uint8_t>(length)};
        }
    }
    iconv_close(converter);
}

// The single unit a byte sequence converts to, or U+FFFD.
char16_t ToSingleUnit(iconv_t converter, const char* input, std::size_t length) {
    char output[4] = {};
    if (Convert(converter, input, length, output, sizeof output) != 2) {
        return kReplacementUnit;
    }
    return static_cast<char16_t>(static_cast<unsigned char>(output[0]) |
                                 static_cast<unsigned char>(output[1]) << 8);
}

void FillToUnit(char16_t* table) {
    std::fill_n(table, 0x10000, kReplacementUnit);
    iconv_t converter = iconv_open("UTF-16LE", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        for (char16_t byte = 0; byte < 0x80; ++byte) {
            table[byte] = byte;
        }
        return;
    }
    for (unsigned first = 0; first < 0x100; ++first) {
        const auto lead = static_cast<unsigned char>(first);
        if (!IsLeadByte(lead)) {
            const char input[1] = {static_cast<char>(lead)};
            table[first] = ToSingleUnit(converter, input, 1);
            continue;
        }
        for (unsigned second = 0; second < 0x100; ++second) {
            if (IsTrailByte(static_cast<unsigned char>(second))) {
                const char input[2] = {static_cast<char>(lead), static_cast<char>(second)};
                table[first << 8 | second] = ToSingleUnit(converter, input, 2);
            }
        }
    }
    iconv_close(converter);
}

} // namespace

Cp932Tables::Cp932Tables() {
    FillFromUnit(fromUnit);
    FillToUnit(toUnit);
}

const Cp932Tables& Tables() {
    static const Cp932Tables tables;
    return tables;
}

} // namespace text
