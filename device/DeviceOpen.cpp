#include "device/DiskDevice.h"

namespace {
constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kUnbufferedWriteThrough = FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING;
constexpr DWORD kGeometrySize = sizeof(DISK_GEOMETRY);
constexpr DWORD kGeometryExSize = sizeof(DISK_GEOMETRY_EX);
} // namespace

BOOL DiskDevice::OpenPhysicalDrive(int number) {
    CString path;
    path.Format("\\\\.\\PHYSICALDRIVE%d", number);
    return OpenDevicePath(path);
}

BOOL DiskDevice::OpenVolume(const CString& letter) {
    CString path;
    path.Format("\\\\.\\%s:", letter.GetString());
    return OpenDevicePath(path);
}

// An open that fails, or a device that opens but cannot be taken (mounted, or
// held by another program), says why in the "Error" box: the user has no other
// clue why the geometry stays blank.
BOOL DiskDevice::OpenDevicePath(const CString& path) {
    m_llPosition = 0;
    m_llJobFirstLba = m_llJobLastLba = -1;
    m_strJobText.Empty();
    m_hDevice = CreateFileA(path, kReadWrite, kShareReadWrite, nullptr, OPEN_EXISTING,
                            kUnbufferedWriteThrough, nullptr);
    if (m_hDevice == INVALID_HANDLE_VALUE) {
        ShowLastError();
        return FALSE;
    }
    DWORD returned = 0;
    DeviceIoControl(m_hDevice, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
    m_bLocked = DeviceIoControl(m_hDevice, FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned,
                                nullptr);
    const DWORD refusal = m_bLocked ? 0 : GetLastError();
    if (!QueryGeometry(path)) {
        CloseDevice();
        return FALSE;
    }
    // A device we may not dismount is of no use to the user; closing it now gives
    // back the handle and the claim that the lock request may have taken.
    if (!m_bLocked) {
        SetLastError(refusal);
        ShowLastError();
        CloseDevice();
    } else {
        StartSectorOwners();
    }
    return m_bLocked;
}

BOOL DiskDevice::QueryGeometry(const CString& path) {
    DWORD returned = 0;
    if (!DeviceIoControl(m_hDevice, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, &m_geometry,
                         kGeometryExSize, &returned, nullptr)) {
        if (!DeviceIoControl(m_hDevice, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0,
                             &m_geometry.Geometry, kGeometrySize, &returned, nullptr)) {
            ShowLastError();
            return FALSE;
        }
        // Unsigned, so that an absurd geometry wraps instead of overflowing.
        const DISK_GEOMETRY& g = m_geometry.Geometry;
        ULONGLONG size = ULONGLONG{g.BytesPerSector} * g.SectorsPerTrack * g.TracksPerCylinder *
                         static_cast<ULONGLONG>(g.Cylinders.QuadPart);
        m_geometry.DiskSize.QuadPart = static_cast<LONGLONG>(size);
    }
    m_nDriveType = GetDriveTypeA(path + "\\");
    return TRUE;
}

void DiskDevice::CloseDevice() {
    m_owners.Stop();
    if (m_hDevice != nullptr) {
        DWORD returned = 0;
        DeviceIoControl(m_hDevice, FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned,
                        nullptr);
        DeviceIoControl(m_hDevice, FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
        CloseHandle(m_hDevice);
        m_hDevice = nullptr;
    }
    m_llPosition = 0;
    m_llJobFirstLba = m_llJobLastLba = -1;
    m_bLocked = FALSE;
    m_strJobText.Empty();
}
