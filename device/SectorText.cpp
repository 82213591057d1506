#include "device/DiskDevice.h"
#include "device/RenderedBytes.h"
#include "device/RenderedUnits.h"
#include "platform/text/Cp932.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kBytesPerLine = 16;

// Maps one line of bytes through a block on the stack: the caller's buffers might
// overlap as far as the compiler knows, a local block cannot, so the loop becomes
// vector instructions.
template <char (*Map)(BYTE)> void MapLine(const BYTE* in, char* out) {
    BYTE bytes[kBytesPerLine];
    char mapped[kBytesPerLine];
    std::memcpy(bytes, in, kBytesPerLine);
    for (DWORD k = 0; k < kBytesPerLine; ++k) {
        mapped[k] = Map(bytes[k]);
    }
    std::memcpy(out, mapped, kBytesPerLine);
}

// The rendered characters become the text; the pattern is then looked for in it.
int TakeText(const char* scratch, std::size_t length, CString& text, const CString& pattern) {
    text.SetString(scratch, static_cast<int>(length));
    return text::FindAtCharBoundary(text.str(), pattern.str());
}

// The little-endian unit at bytes, converted; returns the end of its bytes. Both
// table bytes are written, as the scratch buffer has room for two per unit. The
// entry is copied first: the output might overlap the table as far as the
// compiler knows, and would otherwise hold each load back until the store before it.
char* PutUnit(const BYTE* bytes, const RenderedUnit* table, char* out) {
    const RenderedUnit entry = table[UnitAt(bytes)];
    std::memcpy(out, entry.bytes, sizeof entry.bytes);
    return out + entry.length;
}

// Eight units at once when all are below 0x80, which the code page keeps as they
// are (zero read as a space): most of a disk is zeros or ASCII.
bool MapAsciiUnits(const BYTE* in, char* out) {
    // The bits that must be clear, as bytes so that the words match on any byte order.
    static constexpr BYTE kNotAscii[8] = {0x80, 0xFF, 0x80, 0xFF, 0x80, 0xFF, 0x80, 0xFF};
    BYTE bytes[kBytesPerLine];
    std::uint64_t words[2];
    std::uint64_t mask;
    std::memcpy(bytes, in, kBytesPerLine);
    std::memcpy(words, bytes, sizeof words);
    std::memcpy(&mask, kNotAscii, sizeof mask);
    if (((words[0] | words[1]) & mask) != 0) {
        return false;
    }
    char mapped[kBytesPerLine / 2];
    for (DWORD k = 0; k < kBytesPerLine / 2; ++k) {
        mapped[k] = SjisChar(bytes[2 * k]);
    }
    std::memcpy(out, mapped, sizeof mapped);
    return true;
}

} // namespace

CString DiskDevice::FormatSectorText(TextKind kind, const BYTE* buffer, DWORD length) {
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
        MapLine<AsciiChar>(buffer + i, out);
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
    DWORD i = 0;
    for (; i + kBytesPerLine <= length; i += kBytesPerLine) {
        MapLine<SjisChar>(buffer + i, scratch + i);
    }
    for (; i < length; ++i) {
        scratch[i] = SjisChar(buffer[i]);
    }
    return TakeText(scratch, length, text, pattern);
}

int DiskDevice::RenderUnicodeText(const BYTE* buffer, char* scratch, DWORD length, CString& text,
                                  const CString& pattern) {
    const RenderedUnit* table = RenderedUnits();
    char* out = scratch;
    DWORD i = 0;
    for (; i + kBytesPerLine <= length; i += kBytesPerLine) {
        if (!MapAsciiUnits(buffer + i, out)) {
            for (DWORD k = 0; k < kBytesPerLine; k += 2) {
                out = PutUnit(buffer + i + k, table, out);
            }
        } else {
            out += kBytesPerLine / 2;
        }
    }
    // An odd last byte is no unit and is left out.
    for (; i + 1 < length; i += 2) {
        out = PutUnit(buffer + i, table, out);
    }
    return TakeText(scratch, static_cast<std::size_t>(out - scratch), text, pattern);
}
