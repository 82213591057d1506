#include "device/DiskDevice.h"

// Before any device has been measured the sector size is 0: the last sector, the
// percentage and a position change then come out as 0 rather than divide by it.

LONGLONG DiskDevice::GetLastLba() const {
    DWORD sectorSize = GetBytesPerSector();
    if (sectorSize == 0)
        return 0;
    return m_geometry.DiskSize.QuadPart / LONGLONG{sectorSize} - 1;
}

double DiskDevice::GetPositionPercent() const {
    DWORD sectorSize = GetBytesPerSector();
    LONGLONG last = GetLastLba();
    // A device of one sector (or none) has nowhere to go: it is always at 0 %.
    if (sectorSize == 0 || last <= 0)
        return 0.0;
    LONGLONG sector = m_llPosition.load() / LONGLONG{sectorSize};
    return static_cast<double>(sector) / static_cast<double>(last) * 100.0;
}

LONGLONG DiskDevice::SetPosition(LONGLONG position) {
    DWORD sectorSize = GetBytesPerSector();
    if (sectorSize == 0)
        return m_llPosition.load();
    LONGLONG last = GetLastLba() * LONGLONG{sectorSize};
    LONGLONG held = position < last ? position : last;
    if (held < 0)
        held = 0;
    m_llPosition = held;
    return held;
}

DWORD DiskDevice::ReadAtPosition(void* buffer, DWORD count) {
    if (m_hDevice == INVALID_HANDLE_VALUE)
        return 0;
    SetFilePointerEx(m_hDevice, LARGE_INTEGER{m_llPosition.load()}, nullptr, FILE_BEGIN);
    DWORD read = 0;
    if (!ReadFile(m_hDevice, buffer, count, &read, nullptr)) {
        ShowLastError();
        return 0;
    }
    return read;
}
