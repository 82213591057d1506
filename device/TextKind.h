#pragma once
// The text pane's renderings, coded as the first three search types.

using TextKind = int;
inline constexpr TextKind TEXT_ASCII = 0;
inline constexpr TextKind TEXT_SJIS = 1;
inline constexpr TextKind TEXT_UNICODE = 2;
