#include "jobs/DifferingSectors.h"

void DifferingSectors::Next(LONGLONG offset, const BYTE* sector, bool differs) {
    if (differs && !m_inArea)
        BeginArea(offset, sector);
    m_inArea = differs;
    if (differs)
        ++m_count;
}

// The list then shows what differs instead of what a scan of the card's old
// contents found.
void DifferingSectors::BeginArea(LONGLONG offset, const BYTE* sector) {
    if (m_count == 0) {
        m_first = offset;
        m_device.ClearSectorList();
    }
    if (m_listing)
        m_listing = m_device.AddSectorLine(sector, m_sectorSize, offset) != 0;
}
