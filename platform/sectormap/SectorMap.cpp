#include "platform/sectormap/SectorMap.h"

#include <algorithm>

namespace sectormap {

namespace {

template <typename Spans> auto LastStartingAtOrBefore(const Spans& spans, std::uint64_t sector) {
    auto after = std::upper_bound(spans.begin(), spans.end(), sector,
                                  [](std::uint64_t s, const auto& span) { return s < span.first; });
    return after == spans.begin() ? spans.end() : after - 1;
}

template <typename Span> bool Holds(const Span& span, std::uint64_t sector) {
    return sector >= span.first && sector - span.first < span.count;
}

} // namespace

void SectorMap::AddTablePart(std::uint64_t first, std::uint64_t count, TablePart part) {
    m_tables.push_back({first, count, part});
}

void SectorMap::AddVolume(unsigned number, std::uint64_t first, std::uint64_t count) {
    Volume& volume = m_volumes.emplace_back();
    volume.number = number;
    volume.first = first;
    volume.count = count;
}

std::uint32_t SectorMap::AddOwner(OwnerKind kind, std::uint32_t parent, const std::string& name,
                                  std::uint64_t size, unsigned number) {
    const auto offset = static_cast<std::uint32_t>(m_names.size());
    m_names.append(name).push_back('\0');
    m_owners.push_back({parent, offset, size, kind, static_cast<std::uint8_t>(number)});
    return static_cast<std::uint32_t>(m_owners.size() - 1);
}

void SectorMap::AddRun(std::uint64_t first, std::uint64_t count, std::uint32_t owner,
                       std::uint64_t byte) {
    // A run longer than a count can hold goes in pieces.
    constexpr std::uint64_t kLongest = UINT32_MAX;
    while (count > 0) {
        const std::uint64_t piece = std::min(count, kLongest);
        m_runs.push_back({first, byte, static_cast<std::uint32_t>(piece), owner});
        first += piece;
        byte += piece * m_sectorSize;
        count -= piece;
    }
}

void SectorMap::AddFree(std::uint64_t first, std::uint64_t count) {
    if (!m_free.empty() && m_free.back().first + m_free.back().count == first)
        m_free.back().count += count;
    else
        m_free.push_back({first, count});
}

void SectorMap::Seal() {
    auto byFirst = [](const auto& a, const auto& b) { return a.first < b.first; };
    std::sort(m_tables.begin(), m_tables.end(), byFirst);
    std::sort(m_volumes.begin(), m_volumes.end(), byFirst);
    std::stable_sort(m_runs.begin(), m_runs.end(), byFirst);
    std::sort(m_free.begin(), m_free.end(), byFirst);
    m_reach.resize(m_runs.size());
    std::uint64_t reach = 0;
    for (std::size_t i = 0; i < m_runs.size(); ++i) {
        reach = std::max(reach, m_runs[i].first + m_runs[i].count);
        m_reach[i] = reach;
    }
    m_runs.shrink_to_fit();
    m_owners.shrink_to_fit();
    m_names.shrink_to_fit();
}

Place SectorMap::Find(std::uint64_t sector) const {
    Place place;
    if (auto table = LastStartingAtOrBefore(m_tables, sector);
        table != m_tables.end() && Holds(*table, sector)) {
        place.table = table->part;
        return place;
    }
    auto volume = LastStartingAtOrBefore(m_volumes, sector);
    if (volume == m_volumes.end() || !Holds(*volume, sector))
        return place;
    place.volume = &*volume;
    AddOwnersAt(sector, place);
    place.free = place.owners.empty() && IsFree(sector);
    return place;
}

void SectorMap::AddOwnersAt(std::uint64_t sector, Place& place) const {
    auto after = std::upper_bound(m_runs.begin(), m_runs.end(), sector,
                                  [](std::uint64_t s, const Run& run) { return s < run.first; });
    for (auto i = static_cast<std::size_t>(after - m_runs.begin());
         i > 0 && m_reach[i - 1] > sector; --i) {
        const Run& run = m_runs[i - 1];
        if (!Holds(run, sector))
            continue;
        const OwnerEntry& entry = m_owners[run.owner];
        place.owners.push_back({entry.kind, PathOf(run.owner), entry.number,
                                run.byte + (sector - run.first) * m_sectorSize, entry.size});
    }
    std::reverse(place.owners.begin(), place.owners.end());
}

bool SectorMap::IsFree(std::uint64_t sector) const {
    auto span = LastStartingAtOrBefore(m_free, sector);
    return span != m_free.end() && Holds(*span, sector);
}

std::string SectorMap::PathOf(std::uint32_t owner) const {
    std::string path;
    for (std::uint32_t at = owner; at != kNoParent; at = m_owners[at].parent)
        path.insert(0, "/" + std::string(m_names.c_str() + m_owners[at].name));
    return m_owners[owner].kind == OwnerKind::File ? path : std::string();
}

std::size_t SectorMap::Bytes() const {
    return m_tables.capacity() * sizeof(Range) + m_volumes.capacity() * sizeof(Volume) +
           m_owners.capacity() * sizeof(OwnerEntry) + m_names.capacity() +
           m_runs.capacity() * sizeof(Run) + m_reach.capacity() * sizeof(std::uint64_t) +
           m_free.capacity() * sizeof(Span);
}

} // namespace sectormap
