#include "device/RenderedUnits.h"
#include "platform/text/Cp932.h"

#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace {

// Looking for more units than this costs about as much as comparing at every unit.
constexpr std::size_t kMostUnitsLookedFor = 4;

using UnitList = std::vector<std::uint16_t>;

// Each unit renders as one character: a single byte that is no lead byte, or a
// lead byte and its trail. The filter relies on it, checked once.
bool UnitsRenderWholeCharacters() {
    static const bool whole = [] {
        const RenderedUnit* table = RenderedUnits();
        for (unsigned unit = 0; unit < 0x10000; ++unit) {
            const RenderedUnit& entry = table[unit];
            const bool lead = text::IsLeadByte(static_cast<BYTE>(entry.bytes[0]));
            if (entry.length == 0 || entry.length > 2 || lead != (entry.length == 2)) {
                return false;
            }
        }
        return true;
    }();
    return whole;
}

// For each byte, the units whose rendering begins with it.
const std::array<UnitList, 256>& UnitsBeginningWith() {
    static const std::array<UnitList, 256> index = [] {
        std::array<UnitList, 256> built;
        const RenderedUnit* table = RenderedUnits();
        for (unsigned unit = 0; unit < 0x10000; ++unit) {
            built[static_cast<BYTE>(table[unit].bytes[0])].push_back(
                static_cast<std::uint16_t>(unit));
        }
        return built;
    }();
    return index;
}

// The units that render as a lead byte with the given trail.
UnitList UnitsRenderedAs(char lead, char trail) {
    UnitList units;
    const RenderedUnit* table = RenderedUnits();
    for (std::uint16_t unit : UnitsBeginningWith()[static_cast<BYTE>(lead)]) {
        if (table[unit].bytes[1] == trail) {
            units.push_back(unit);
        }
    }
    return units;
}

} // namespace

const RenderedUnit* RenderedUnits() {
    static const std::vector<RenderedUnit> table = [] {
        const text::Cp932Bytes* units = text::FromUnitTable();
        std::vector<RenderedUnit> built(0x10000);
        for (unsigned unit = 0; unit < 0x10000; ++unit) {
            const unsigned shown = unit == 0x0000 || unit == 0xFEFF ? u' ' : unit;
            const text::Cp932Bytes& entry = units[shown];
            built[unit] = {{entry.bytes[0], entry.bytes[1]}, entry.length};
        }
        return built;
    }();
    return table.data();
}

std::uint16_t UnitAt(const BYTE* bytes) {
    std::uint16_t unit;
    std::memcpy(&unit, bytes, sizeof unit);
    if constexpr (std::endian::native == std::endian::big) {
        unit = static_cast<std::uint16_t>(unit << 8 | unit >> 8);
    }
    return unit;
}

std::vector<TextAnchor> RenderedTextAnchors(std::string_view pattern) {
    if (pattern.empty() || !UnitsRenderWholeCharacters()) {
        return {TextAnchor{}};
    }
    // The units of each character in turn: a one-byte character, a lead byte with
    // its trail, or a last lead byte with any trail. The long lists are the
    // index's own, not copied.
    UnitList paired;
    const UnitList* fewest = nullptr;
    std::size_t offset = 0;
    for (std::size_t at = 0, index = 0; at < pattern.size(); ++index) {
        const bool pair =
            text::IsLeadByte(static_cast<BYTE>(pattern[at])) && at + 1 < pattern.size();
        const UnitList* units = &UnitsBeginningWith()[static_cast<BYTE>(pattern[at])];
        UnitList found;
        if (pair) {
            found = UnitsRenderedAs(pattern[at], pattern[at + 1]);
            units = &found;
        }
        if (fewest == nullptr || units->size() < fewest->size()) {
            paired = std::move(found);
            fewest = pair ? &paired : units;
            offset = 2 * index;
        }
        at += pair ? 2 : 1;
    }
    if (fewest->size() > kMostUnitsLookedFor) {
        return {TextAnchor{}};
    }
    std::vector<TextAnchor> anchors;
    for (std::uint16_t unit : *fewest) {
        anchors.push_back(
            {{static_cast<BYTE>(unit & 0xFF), static_cast<BYTE>(unit >> 8)}, 2, offset});
    }
    return anchors;
}
