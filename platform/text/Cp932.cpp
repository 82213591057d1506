#include "platform/text/Cp932.h"
#include "platform/text/Cp932Tables.h"

namespace text {
namespace {

constexpr Cp932Bytes kUnmappable = {{'?', '\0'}, 1};

void AppendUnit(std::string& out, const Cp932Bytes& entry) {
    out.append(entry.bytes, entry.length);
}

void AppendUtf8(std::string& out, char16_t unit) {
    if (unit < 0x80) {
        out += static_cast<char>(unit);
    } else if (unit < 0x800) {
        out += static_cast<char>(0xC0 | unit >> 6);
        out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | unit >> 12);
        out += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    }
}

// Decodes the UTF-8 sequence at utf8[i], advancing i past it. A malformed
// sequence (bad lead, missing continuation, overlong form, beyond U+10FFFF)
// yields 0xFFFFFFFF and consumes one byte.
char32_t DecodeUtf8(std::string_view utf8, std::size_t& i) {
    constexpr char32_t kBad = 0xFFFFFFFF;
    const auto lead = static_cast<unsigned char>(utf8[i++]);
    if (lead < 0x80) {
        return lead;
    }
    std::size_t extra = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, value = lead & 0x1Fu, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, value = lead & 0x0Fu, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, value = lead & 0x07u, minimum = 0x10000;
    } else {
        return kBad;
    }
    std::size_t next = i;
    for (std::size_t k = 0; k < extra; ++k, ++next) {
        if (next >= utf8.size() || (static_cast<unsigned char>(utf8[next]) & 0xC0) != 0x80) {
            return kBad;
        }
        value = value << 6 | (static_cast<unsigned char>(utf8[next]) & 0x3Fu);
    }
    if (value < minimum || value > 0x10FFFF) {
        return kBad;
    }
    i = next;
    return value;
}

std::string Utf8Of(std::u16string_view units) {
    std::string out;
    out.reserve(units.size() * 3);
    for (char16_t unit : units) {
        AppendUtf8(out, unit);
    }
    return out;
}

} // namespace

const Cp932Bytes* FromUnitTable() {
    return Tables().fromUnit;
}

const Cp932Bytes& FromUnit(char16_t unit) {
    return Tables().fromUnit[unit];
}

std::string FromUtf16(std::u16string_view units) {
    const Cp932Bytes* table = FromUnitTable();
    std::string out;
    out.reserve(units.size() * 2);
    for (char16_t unit : units) {
        AppendUnit(out, table[unit]);
    }
    return out;
}

std::u16string ToUtf16(std::string_view cp932) {
    const char16_t* table = Tables().toUnit;
    std::u16string out;
    out.reserve(cp932.size());
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        const auto byte = static_cast<unsigned char>(cp932[i]);
        if (!IsLeadByte(byte)) {
            out += table[byte];
        } else if (i + 1 < cp932.size() && IsTrailByte(static_cast<unsigned char>(cp932[i + 1]))) {
            out += table[byte << 8 | static_cast<unsigned char>(cp932[++i])];
        } else {
            // A lead byte without its trail byte; what follows is read by itself.
            out += kReplacementUnit;
        }
    }
    return out;
}

std::string FromUtf8(std::string_view utf8) {
    const Cp932Bytes* table = FromUnitTable();
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t code = DecodeUtf8(utf8, i);
        AppendUnit(out, code <= 0xFFFF ? table[code] : kUnmappable);
    }
    return out;
}

std::string ToUtf8(std::string_view cp932) {
    return Utf8Of(ToUtf16(cp932));
}

std::optional<std::string> ToUtf8Exactly(std::string_view cp932) {
    const std::u16string units = ToUtf16(cp932);
    if (units.find(kReplacementUnit) != std::u16string::npos)
        return std::nullopt;
    return Utf8Of(units);
}

} // namespace text
