#include "device/SectorOwners.h"

#include "platform/framework/UiThread.h"

namespace {
// How long a disk that is slow to give its first sectors may keep the window.
constexpr std::chrono::milliseconds kFirstAnswer{300};
} // namespace

void SectorOwners::Start(sectormap::SectorReader read, DWORD sectorSize, ULONGLONG sectorCount) {
    Stop();
    m_stop.store(false);
    m_disk = {std::move(read), sectorSize, sectorCount, [this] { return m_stop.load(); }};
    m_waiting = true;
}

void SectorOwners::SetPublished(std::function<void()> published) {
    m_publishedCall = std::make_shared<std::function<void()>>(std::move(published));
}

void SectorOwners::Launch() {
    m_waiting = false;
    m_ended = false;
    // What the window's thread runs after a publication: nothing, once this object
    // is gone.
    std::weak_ptr<std::function<void()>> call = m_publishedCall;
    m_builder = std::thread([this, call] {
        sectormap::BuildSectorMap(m_disk,
                                  [this, call](std::shared_ptr<const sectormap::SectorMap> map) {
                                      {
                                          std::lock_guard hold(m_mutex);
                                          m_map = std::move(map);
                                          m_published.notify_all();
                                      }
                                      framework::PostToUiThread([call] {
                                          if (auto published = call.lock(); published && *published)
                                              (*published)();
                                      });
                                  });
        std::lock_guard hold(m_mutex);
        m_ended = true;
        m_published.notify_all();
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

// The first question after an open waits a moment for the partition tables, a
// few sectors' reads, so that the line does not stay blank until the next move.
CString SectorOwners::Describe(LONGLONG lba) {
    const bool first = m_waiting;
    if (first)
        Launch();
    std::shared_ptr<const sectormap::SectorMap> map;
    {
        std::unique_lock hold(m_mutex);
        if (first)
            m_published.wait_for(hold, kFirstAnswer, [this] { return m_map || m_ended; });
        map = m_map;
    }
    if (!map || lba < 0)
        return CString();
    return SectorOwnerText(map->Find(static_cast<ULONGLONG>(lba)));
}
