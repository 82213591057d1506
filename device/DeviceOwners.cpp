#include "device/DiskDevice.h"
#include "device/ReadWholeAt.h"

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

// A job has the device first: while one runs, the build waits before each read, so
// a job that starts meanwhile meets at most the one read under way. The read is
// positional: the file pointer that the view and the jobs move stays where it is.
// The device lock is not taken, as the user-interface thread may hold it while it
// stops the build.
bool DiskDevice::ReadForOwners(ULONGLONG first, DWORD count, BYTE* buffer) {
    while (IsWorkerRunning() && !m_owners.Stopping())
        Sleep(kJobPoll);
    if (m_owners.Stopping())
        return false;
    return ReadWholeAt(m_hDevice, first * GetBytesPerSector(), buffer, count * GetBytesPerSector());
}
