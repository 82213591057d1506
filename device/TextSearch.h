#pragma once
// The text search over the text pane's renderings, in place: the pattern is
// compared with the characters each byte or unit renders as, and a match may run
// across lines and sectors. ASCII's line breaks stand only in the pane; SJIS
// matches begin on a character counted from their sector's start, as the pane
// shows it; Unicode matches begin on a unit.
#include "device/TextKind.h"
#include "platform/kernel/Types.h"

#include <cstddef>
#include <string_view>

// The offset of the first match of the pattern in the text of that kind (TEXT_ASCII,
// TEXT_SJIS, TEXT_UNICODE) of some bytes that begin on a sector start; length when
// there is none. An empty pattern matches at 0 of any bytes.
std::size_t FindRenderedText(TextKind kind, std::string_view pattern, const BYTE* bytes,
                             std::size_t length, DWORD sectorSize);
