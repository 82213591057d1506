#include "view/HexDump.h"

#include <string>

namespace {

constexpr DWORD kBytesPerLine = 16;
constexpr int kAddressDigits = 10;
constexpr char kHexDigits[] = "0123456789ABCDEF";

// " %010I64X ": at least ten upper-case digits, more from 2^40 on.
void AppendAddress(std::string& out, ULONGLONG address) {
    char digits[16];
    int count = 0;
    do {
        digits[count++] = kHexDigits[address & 0xF];
        address >>= 4;
    } while (address != 0);
    out += ' ';
    out.append(static_cast<std::size_t>(count < kAddressDigits ? kAddressDigits - count : 0), '0');
    while (count > 0) {
        out += digits[--count];
    }
    out += ' ';
}

} // namespace

CString FormatHexDump(LONGLONG position, const BYTE* buffer, DWORD sectorSize) {
    const DWORD lines = sectorSize / kBytesPerLine;
    std::string out;
    out.reserve(std::size_t{lines} * 64);
    // The address is unsigned so that the sum wraps rather than overflows.
    const auto start = static_cast<ULONGLONG>(position);
    for (DWORD line = 0; line < lines; ++line) {
        if (line != 0) {
            out += "\r\n";
        }
        AppendAddress(out, start + ULONGLONG{line} * kBytesPerLine);
        const BYTE* bytes = buffer + std::size_t{line} * kBytesPerLine;
        for (DWORD k = 0; k < kBytesPerLine; ++k) {
            const char hex[3] = {' ', kHexDigits[bytes[k] >> 4], kHexDigits[bytes[k] & 0xF]};
            out.append(hex, 3);
        }
    }
    return CString(std::move(out));
}
