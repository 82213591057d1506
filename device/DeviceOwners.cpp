#include "device/DiskDevice.h"

namespace {
constexpr DWORD kJobPoll = 20; // ms between looks whether the job has ended
} // namespace

void DiskDevice::StartSectorOwners() {
    const DWORD sectorSize = GetBytesPerSector();
    if (sectorSize == 0)
        return;
    m_owners.Start([this](ULONGLONG first, DWORD count,
                          BYTE* buffer) { return ReadForOwners(first, count, buffer); },
                   sectorSize, static_cast<ULONGLONG>(GetLastLba() + 1));
}

// Asked on the user-interface thread only, as the index is started and stopped.
CString DiskDevice::DescribeSector(LONGLONG lba) {
    if (m_bOwnersStale.exchange(false))
        StartSectorOwners();
    return m_owners.Describe(lba);
}

// A job has the device first: while one runs, the build waits before each read, and
// a job that starts meanwhile waits at most for the one read under way. The read
// is positional, so the file pointer the view and the jobs move stays where it is.
bool DiskDevice::ReadForOwners(ULONGLONG first, DWORD count, BYTE* buffer) {
    const ULONGLONG offset = first * GetBytesPerSector();
    while (!m_owners.Stopping()) {
        if (!IsWorkerRunning()) {
            Lock();
            const bool idle = !IsWorkerRunning();
            DWORD read = 0;
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(offset);
            at.OffsetHigh = static_cast<DWORD>(offset >> 32);
            const bool ok = idle && ReadFile(m_hDevice, buffer, count * GetBytesPerSector(), &read,
                                             &at) != FALSE;
            Unlock();
            if (idle)
                return ok && read == count * GetBytesPerSector();
        }
        Sleep(kJobPoll);
    }
    return false;
}
