#include "jobs/RescueAreas.h"

#include <algorithm>
#include <iterator>

RescueAreas::RescueAreas(LONGLONG begin, LONGLONG end, char status) {
    if (end > begin)
        m_areas[begin] = Span{end - begin, status};
}

bool RescueAreas::Append(const RescueArea& area) {
    if (area.size <= 0 || (!m_areas.empty() && area.pos != End()))
        return false;
    m_areas[area.pos] = Span{area.size, area.status};
    Merge(std::prev(m_areas.end()));
    return true;
}

void RescueAreas::Mark(LONGLONG pos, LONGLONG size, char status) {
    if (size <= 0)
        return;
    Split(pos);
    Split(pos + size);
    auto first = m_areas.find(pos);
    if (first == m_areas.end())
        return;
    m_areas.erase(std::next(first), m_areas.lower_bound(pos + size));
    first->second = Span{size, status};
    Merge(first);
}

void RescueAreas::Split(LONGLONG pos) {
    auto holder = m_areas.upper_bound(pos);
    if (holder == m_areas.begin())
        return;
    --holder;
    const LONGLONG end = holder->first + holder->second.size;
    if (holder->first == pos || end <= pos)
        return;
    m_areas[pos] = Span{end - pos, holder->second.status};
    holder->second.size = pos - holder->first;
}

// Joins the area with the neighbours of its status on either side.
void RescueAreas::Merge(std::map<LONGLONG, Span>::iterator at) {
    auto next = std::next(at);
    if (next != m_areas.end() && next->second.status == at->second.status) {
        at->second.size += next->second.size;
        m_areas.erase(next);
    }
    if (at != m_areas.begin()) {
        auto before = std::prev(at);
        if (before->second.status == at->second.status) {
            before->second.size += at->second.size;
            m_areas.erase(at);
        }
    }
}

std::optional<RescueArea> RescueAreas::Next(LONGLONG from, char status) const {
    auto at = m_areas.upper_bound(from);
    if (at != m_areas.begin())
        --at;
    for (; at != m_areas.end(); ++at) {
        const LONGLONG end = at->first + at->second.size;
        if (at->second.status == status && end > from) {
            const LONGLONG pos = std::max(at->first, from);
            return RescueArea{pos, end - pos, status};
        }
    }
    return std::nullopt;
}

std::vector<RescueArea> RescueAreas::All() const {
    std::vector<RescueArea> areas;
    for (const auto& [pos, span] : m_areas)
        areas.push_back({pos, span.size, span.status});
    return areas;
}

LONGLONG RescueAreas::Bytes(char status) const {
    LONGLONG bytes = 0;
    for (const auto& [pos, span] : m_areas)
        bytes += span.status == status ? span.size : 0;
    return bytes;
}

int RescueAreas::Count(char status) const {
    return static_cast<int>(
        std::count_if(m_areas.begin(), m_areas.end(),
                      [status](const auto& area) { return area.second.status == status; }));
}

LONGLONG RescueAreas::Begin() const {
    return m_areas.empty() ? 0 : m_areas.begin()->first;
}

LONGLONG RescueAreas::End() const {
    if (m_areas.empty())
        return 0;
    const auto& last = *m_areas.rbegin();
    return last.first + last.second.size;
}
