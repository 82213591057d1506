#include "jobs/SearchJunction.h"

#include <algorithm>

SearchJunction::SearchJunction(DWORD sectorSize, std::size_t reach) : m_sectorSize(sectorSize) {
    // A match that runs into the next chunk begins in its reach's last bytes less one.
    const std::size_t sectors = reach == 0 ? 0 : (reach - 1 + sectorSize - 1) / sectorSize;
    m_keep = sectors * sectorSize;
}

LONGLONG SearchJunction::FindInto(DiskDevice& device, int type, const BYTE* chunk, DWORD length) {
    if (m_kept == 0)
        return 0;
    m_bytes.resize(m_kept);
    m_bytes.insert(m_bytes.end(), chunk, chunk + std::min<std::size_t>(m_keep, length));
    const int sector =
        device.FindInSectors(type, m_bytes.data(), static_cast<DWORD>(m_bytes.size()));
    const auto keptSectors = static_cast<LONGLONG>(m_kept / m_sectorSize);
    return sector == -1 || sector >= keptSectors ? 0 : sector - keptSectors;
}

void SearchJunction::Keep(const BYTE* chunk, DWORD length) {
    m_bytes.resize(m_kept);
    if (m_keep == 0 || length % m_sectorSize != 0) {
        m_bytes.clear();
    } else if (length >= m_keep) {
        m_bytes.assign(chunk + (length - m_keep), chunk + length);
    } else {
        // Chunks shorter than the reach: the kept sectors run back over several.
        m_bytes.insert(m_bytes.end(), chunk, chunk + length);
        if (m_bytes.size() > m_keep)
            m_bytes.erase(m_bytes.begin(), m_bytes.end() - static_cast<std::ptrdiff_t>(m_keep));
    }
    m_kept = m_bytes.size();
}
