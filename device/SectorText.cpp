#include "device/DiskDevice.h"
#include "platform/text/Cp932.h"

#include <vector>

namespace {

constexpr DWORD kBytesPerLine = 16;

char AsciiChar(BYTE byte) {
    return byte >= 0x20 && byte <= 0x7E ? static_cast<char>(byte) : '.';
}

// The rendered characters become the text; the pattern is then looked for in it.
int TakeText(const char* scratch, std::size_t length, CString& text, const CString& pattern) {
    text = CString(scratch, static_cast<int>(length));
    return text::FindAtCharBoundary(text.str(), pattern.str());
}

} // namespace

CString DiskDevice::FormatSectorText(int kind, const BYTE* buffer, DWORD length) {
    std::vector<char> scratch(2 * std::size_t{length});
    CString text;
    if (kind == TEXT_ASCII) {
        RenderAsciiText(buffer, scratch.data(), length, text, m_strJobText);
    } else if (kind == TEXT_SJIS) {
        RenderSjisText(buffer, scratch.data(), length, text, m_strJobText);
    } else if (kind == TEXT_UNICODE) {
        RenderUnicodeText(buffer, scratch.data(), length, text, m_strJobText);
    }
    return text;
}

int DiskDevice::RenderAsciiText(const BYTE* buffer, char* scratch, DWORD length, CString& text,
                                const CString& pattern) {
    char* out = scratch;
    DWORD i = 0;
    for (; i + kBytesPerLine <= length; i += kBytesPerLine) {
        for (DWORD k = 0; k < kBytesPerLine; ++k) {
            out[k] = AsciiChar(buffer[i + k]);
        }
        out[kBytesPerLine] = '\r';
        out[kBytesPerLine + 1] = '\n';
        out += kBytesPerLine + 2;
    }
    // A part line at the end keeps its characters; only a final line break goes.
    if (i < length) {
        for (; i < length; ++i) {
            *out++ = AsciiChar(buffer[i]);
        }
    } else if (out != scratch) {
        out -= 2;
    }
    return TakeText(scratch, static_cast<std::size_t>(out - scratch), text, pattern);
}

int DiskDevice::RenderSjisText(const BYTE* buffer, char* scratch, DWORD length, CString& text,
                               const CString& pattern) {
    for (DWORD i = 0; i < length; ++i) {
        scratch[i] = buffer[i] == 0 ? ' ' : static_cast<char>(buffer[i]);
    }
    return TakeText(scratch, length, text, pattern);
}

int DiskDevice::RenderUnicodeText(const BYTE* buffer, char* scratch, DWORD length, CString& text,
                                  const CString& pattern) {
    const text::Cp932Bytes* table = text::FromUnitTable();
    char* out = scratch;
    // An odd last byte is no unit and is left out.
    for (DWORD i = 0; i + 1 < length; i += 2) {
        auto unit = static_cast<char16_t>(buffer[i] | buffer[i + 1] << 8);
        if (unit == 0x0000 || unit == 0xFEFF) {
            unit = u' ';
        }
        // Both bytes are written; the scratch buffer has room for two per unit.
        const text::Cp932Bytes& entry = table[unit];
        out[0] = entry.bytes[0];
        out[1] = entry.bytes[1];
        out += entry.length;
    }
    return TakeText(scratch, static_cast<std::size_t>(out - scratch), text, pattern);
}
