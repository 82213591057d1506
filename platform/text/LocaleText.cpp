#include "platform/text/Cp932.h"

#include <iconv.h>

#include <cstring>

namespace text {
namespace {

// The bytes in UTF-8, or nothing when the converter does not know the charset or
// refuses the bytes.
std::optional<std::string> ToUtf8From(std::string_view bytes, const char* charset) {
    iconv_t converter = iconv_open("UTF-8", charset);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out(bytes.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    char* next = out.data();
    std::size_t inLeft = bytes.size();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(converter, &in, &inLeft, &next, &outLeft);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1) || inLeft != 0)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace

std::string FromCharset(std::string_view bytes, const char* charset) {
    if (charset != nullptr && std::strcmp(charset, "UTF-8") == 0)
        return FromUtf8(bytes);
    if (std::optional<std::string> utf8 = ToUtf8From(bytes, charset == nullptr ? "" : charset))
        return FromUtf8(*utf8);
    // Of a text the converter cannot read, only its ASCII is certain.
    std::string out(bytes);
    for (char& c : out)
        if (static_cast<unsigned char>(c) >= 0x80)
            c = '?';
    return out;
}

} // namespace text
