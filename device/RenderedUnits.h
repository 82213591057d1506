#pragma once
// The Unicode rendering's view of the code page: what each little-endian unit of
// a sector becomes, and which sectors cannot hold a given text at all.
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

// Rules out the sectors whose Unicode rendering cannot hold a pattern. Each unit
// renders as one whole character, so a match is a run of units that render as the
// pattern's characters one by one: every sector that holds the pattern holds a
// unit of each of them. The character with the fewest such units is looked for;
// when that is more than a few, every sector may hold the pattern.
class RenderedTextFilter {
public:
    explicit RenderedTextFilter(std::string_view pattern);
    bool MayHold(const BYTE* bytes, DWORD length) const;

private:
    bool m_lookedInto = false;
    std::vector<std::uint16_t> m_units;
};
