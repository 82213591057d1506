#include "device/RenderedUnits.h"
#include "platform/text/Cp932.h"

#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace {

// Looking for more units than this costs about as much as rendering the sector.
constexpr std::size_t kMostUnitsLookedFor = 4;

using UnitList = std::vector<std::uint16_t>;

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

// The units that render as the double-byte character of two bytes.
UnitList UnitsRenderedAs(char lead, char trail) {
    UnitList units;
    const RenderedUnit* table = RenderedUnits();
    for (std::uint16_t unit : UnitsBeginningWith()[static_cast<BYTE>(lead)]) {
        if (table[unit].length == 2 && table[unit].bytes[1] == trail) {
            units.push_back(unit);
        }
    }
    return units;
}

// Whether the unit is stored at an even offset of the bytes; an odd last byte is
// no unit.
bool HoldsUnit(const BYTE* bytes, DWORD length, std::uint16_t unit) {
    const auto low = static_cast<BYTE>(unit & 0xFF);
    const BYTE* end = bytes + (length & ~DWORD{1});
    for (const BYTE* at = bytes; at < end; ++at) {
        at = static_cast<const BYTE*>(std::memchr(at, low, static_cast<std::size_t>(end - at)));
        if (at == nullptr) {
            return false;
        }
        if ((at - bytes) % 2 == 0 && UnitAt(at) == unit) {
            return true;
        }
    }
    return false;
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

RenderedTextFilter::RenderedTextFilter(std::string_view pattern) {
    if (pattern.empty()) {
        return;
    }
    const auto first = static_cast<BYTE>(pattern[0]);
    if (text::IsLeadByte(first) && pattern.size() >= 2) {
        Keep(UnitsRenderedAs(pattern[0], pattern[1]));
    } else {
        Keep(UnitsBeginningWith()[first]);
    }
}

// Only a short list is kept: a long one is not looked for, and copying it for
// every chunk would cost more than the lookup saves.
void RenderedTextFilter::Keep(const std::vector<std::uint16_t>& units) {
    m_lookedInto = units.size() <= kMostUnitsLookedFor;
    if (m_lookedInto) {
        m_units = units;
    }
}

bool RenderedTextFilter::MayHold(const BYTE* bytes, DWORD length) const {
    if (!m_lookedInto) {
        return true;
    }
    for (std::uint16_t unit : m_units) {
        if (HoldsUnit(bytes, length, unit)) {
            return true;
        }
    }
    return false;
}
