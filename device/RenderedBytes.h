#pragma once
// What the ASCII and SJIS renderings make of each byte: the pane shows these
// characters, and the search compares the pattern with them.
#include "platform/kernel/Types.h"

// Printable bytes stand for themselves, every other one for ".".
inline char AsciiChar(BYTE byte) {
    return static_cast<BYTE>(byte - 0x20) <= 0x7E - 0x20 ? static_cast<char>(byte) : '.';
}

// Zero reads as a space.
inline char SjisChar(BYTE byte) {
    return byte == 0 ? ' ' : static_cast<char>(byte);
}
