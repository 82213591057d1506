#include "jobs/Rescue.h"
#include "device/ReadWholeAt.h"
#include "jobs/ChunkBuffer.h"
#include "platform/kernel/Kernel.h"

#include <algorithm>

namespace {

constexpr DWORD kClusterSectors = 128; // ddrescue's cluster: 64 KiB on 512-byte sectors
constexpr LONGLONG kMaxSkip = 1LL << 30;
constexpr DWORD kSaveInterval = 30000; // ms

class RescuePasses {
public:
    RescuePasses(HANDLE device, DWORD sectorSize, RescueMap& map, const RescueHooks& hooks)
        : m_device(device), m_sector(sectorSize), m_cluster(sectorSize * kClusterSectors),
          m_map(map), m_hooks(hooks), m_buffer(NewChunkBuffer(m_cluster)), m_saved(GetTickCount()) {
    }

    bool Run() {
        if (!m_buffer || !Copy(true) || !Copy(false) || !Trim() || !Scrape())
            return false;
        Enter(kFinished, m_map.areas.End());
        return true;
    }

private:
    // Pass 1 skips ahead after each failure, further each time in a row; pass 2
    // reads what the first skipped, without skipping.
    bool Copy(bool skipping) {
        Enter(kNotTried, m_map.areas.Begin());
        LONGLONG skip = 0;
        LONGLONG from = m_map.areas.Begin();
        while (const auto area = m_map.areas.Next(from, kNotTried)) {
            const LONGLONG pos = area->pos;
            const auto length = static_cast<DWORD>(std::min<LONGLONG>(m_cluster, area->size));
            const Outcome outcome = Read(pos, length);
            if (outcome == Outcome::Ended)
                return false;
            from = pos + length;
            if (outcome == Outcome::Read) {
                skip = 0;
                continue;
            }
            m_map.areas.Mark(pos, length, kNotTrimmed);
            if (skipping) {
                skip = std::min(skip == 0 ? LONGLONG{m_cluster} : 2 * skip, MaxSkip());
                from += skip;
            }
        }
        return true;
    }

    // Each failed cluster from its first sector on up to a bad one, then from its
    // last sector back to the bad one or to where the first stopped.
    bool Trim() {
        Enter(kNotTrimmed, m_map.areas.Begin());
        while (const auto area = m_map.areas.Next(m_map.areas.Begin(), kNotTrimmed)) {
            LONGLONG low = area->pos, high = area->End();
            Outcome outcome = Outcome::Read;
            while (low < high && (outcome = ReadSector(low)) == Outcome::Read)
                low += m_sector;
            if (outcome == Outcome::Ended)
                return false;
            low += outcome == Outcome::Failed ? m_sector : 0;
            while (low < high && (outcome = ReadSector(high - m_sector)) == Outcome::Read)
                high -= m_sector;
            if (outcome == Outcome::Ended)
                return false;
            high -= outcome == Outcome::Failed && low < high ? m_sector : 0;
            m_map.areas.Mark(low, high - low, kNotScraped);
        }
        return true;
    }

    bool Scrape() {
        Enter(kNotScraped, m_map.areas.Begin());
        while (const auto area = m_map.areas.Next(m_map.areas.Begin(), kNotScraped))
            if (ReadSector(area->pos) == Outcome::Ended)
                return false;
        return true;
    }

    enum class Outcome { Read, Failed, Ended };

    // A sector that fails is a bad sector.
    Outcome ReadSector(LONGLONG pos) {
        const Outcome outcome = Read(pos, m_sector);
        if (outcome == Outcome::Failed)
            m_map.areas.Mark(pos, m_sector, kBadSector);
        return outcome;
    }

    // Ended: a stop was asked for, or the bytes read could not be kept.
    Outcome Read(LONGLONG pos, DWORD length) {
        if (m_hooks.stop())
            return Outcome::Ended;
        const bool read =
            ReadWholeAt(m_device, static_cast<ULONGLONG>(pos), m_buffer.get(), length);
        m_map.position = pos;
        m_hooks.progress(pos);
        if (read && !m_hooks.keep(pos, m_buffer.get(), length))
            return Outcome::Ended;
        if (read)
            m_map.areas.Mark(pos, length, kFinished);
        SaveNowAndThen();
        return read ? Outcome::Read : Outcome::Failed;
    }

    void Enter(char phase, LONGLONG position) {
        m_map.phase = phase;
        m_map.position = position;
    }

    void SaveNowAndThen() {
        if (GetTickCount() - m_saved < kSaveInterval)
            return;
        m_hooks.save(m_map);
        m_saved = GetTickCount();
    }

    // A dead region costs a few reads, not one for each cluster.
    LONGLONG MaxSkip() const {
        const LONGLONG size = m_map.areas.End() - m_map.areas.Begin();
        return std::max<LONGLONG>(m_cluster, std::min(kMaxSkip, size / 100 / m_sector * m_sector));
    }

    const HANDLE m_device;
    const DWORD m_sector;
    const DWORD m_cluster;
    RescueMap& m_map;
    const RescueHooks& m_hooks;
    ChunkBuffer m_buffer;
    DWORD m_saved;
};

} // namespace

bool RunRescue(HANDLE device, DWORD sectorSize, RescueMap& map, const RescueHooks& hooks) {
    return sectorSize != 0 && RescuePasses(device, sectorSize, map, hooks).Run();
}
