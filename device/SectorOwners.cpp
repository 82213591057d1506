#include "device/SectorOwners.h"

void SectorOwners::Start(sectormap::SectorReader read, DWORD sectorSize, ULONGLONG sectorCount) {
    Stop();
    m_stop.store(false);
    m_disk = {std::move(read), sectorSize, sectorCount, [this] { return m_stop.load(); }};
    m_waiting = true;
}

void SectorOwners::Launch() {
    m_waiting = false;
    m_builder = std::thread([this] {
        sectormap::BuildSectorMap(m_disk, [this](std::shared_ptr<const sectormap::SectorMap> map) {
            std::lock_guard hold(m_mutex);
            m_map = std::move(map);
        });
    });
}

void SectorOwners::Stop() {
    m_waiting = false;
    m_stop.store(true);
    WaitUntilBuilt();
    std::lock_guard hold(m_mutex);
    m_map.reset();
}

void SectorOwners::WaitUntilBuilt() {
    if (m_waiting)
        Launch();
    if (m_builder.joinable())
        m_builder.join();
}

CString SectorOwners::Describe(LONGLONG lba) {
    if (m_waiting)
        Launch();
    std::shared_ptr<const sectormap::SectorMap> map;
    {
        std::lock_guard hold(m_mutex);
        map = m_map;
    }
    if (!map || lba < 0)
        return CString();
    return SectorOwnerText(map->Find(static_cast<ULONGLONG>(lba)));
}
