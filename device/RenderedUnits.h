#pragma once
// The Unicode rendering's view of the code page: what each little-endian unit of
// a sector becomes, and where a text may stand in some bytes.
#include "device/TextAnchor.h"
#include "platform/kernel/Types.h"

#include <cstdint>
#include <string_view>
#include <vector>

// An entry in one load of four bytes, so that a unit costs a load, a store and
// an add.
struct alignas(4) RenderedUnit {
    char bytes[2];
    std::uint8_t length;
};

// Indexed by unit; 0x0000 and 0xFEFF read as spaces.
const RenderedUnit* RenderedUnits();

// The unit stored little-endian at bytes.
std::uint16_t UnitAt(const BYTE* bytes);

// Where the Unicode text of some bytes may hold a pattern. Each unit renders as
// one whole character, so a match is a run of units that render as the pattern's
// characters one by one: the unit of a character stands at twice its index from
// the match's start, whichever sectors the match runs across. The character with
// the fewest such units gives one anchor for each; when that is more than a few,
// any unit may begin a match, and when it is none, no unit does.
std::vector<TextAnchor> RenderedTextAnchors(std::string_view pattern);
