#pragma once
// What each sector of the open device belongs to, for the line under the sector's
// panes: an index built on a thread of its own, asked without reading. Until the
// index is built the partition tables alone answer. The build starts when the line
// first asks, so a device that no window shows is read by its jobs alone.
#include "platform/framework/CString.h"
#include "platform/kernel/Types.h"
#include "platform/sectormap/SectorMap.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class SectorOwners {
public:
    SectorOwners() = default;
    SectorOwners(const SectorOwners&) = delete;
    SectorOwners& operator=(const SectorOwners&) = delete;
    ~SectorOwners() { Stop(); }

    // Stops a build still running; the next question builds for this disk. The
    // reader is called on the build's thread and must give up once Stopping() is true.
    void Start(sectormap::SectorReader read, DWORD sectorSize, ULONGLONG sectorCount);
    // Ends the build and forgets the index; returns once the thread has ended.
    void Stop();
    bool Stopping() const { return m_stop.load(); }
    // Starts the build if it waits for a question, then waits until it has ended,
    // complete or not.
    void WaitUntilBuilt();

    // The line's text for the sector; empty while nothing is known.
    CString Describe(LONGLONG lba);
    // Called on the user-interface thread after each part of the index is in (the
    // partition tables, then the whole), while this object lives.
    void SetPublished(std::function<void()> published);

private:
    void Launch();

    std::mutex m_mutex;
    std::condition_variable m_published;
    bool m_ended = false;   // the build's thread has ended
    bool m_waiting = false; // a disk is set and its build not yet started
    std::shared_ptr<const sectormap::SectorMap> m_map;
    std::shared_ptr<std::function<void()>> m_publishedCall;
    std::atomic<bool> m_stop{false};
    sectormap::Disk m_disk;
    std::thread m_builder;
};

// The text of a place, in code page 932.
CString SectorOwnerText(const sectormap::Place& place);
