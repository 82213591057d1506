#include "device/DiskDevice.h"
#include "device/DriveEntry.h"

namespace {
constexpr int kNoDisk = 0xFFFF;
}

void DiskDevice::RefreshDriveList() {
    m_driveList.RemoveAll();
    m_driveEntryErrors.clear();
    DWORD mask = GetLogicalDrives();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (mask & 1) {
            int disk = GetVolumeDiskNumber(letter);
            if (disk == kNoDisk)
                AddUnmappedEntry(letter);
            else
                AddDiskEntry(disk, letter);
        }
        mask >>= 1;
    }
    for (POSITION position = m_driveList.GetHeadPosition(); position != nullptr;)
        m_driveList.GetNext(position) += ":)";
}

int DiskDevice::GetDriveCount() const {
    return m_driveList.GetCount();
}

CString DiskDevice::GetDriveEntry(int index) const {
    if (index < 0 || index >= GetDriveCount())
        return CString();
    return m_driveList.GetAt(m_driveList.FindIndex(index));
}

DWORD DiskDevice::GetDriveEntryError(int index) const {
    if (index < 0 || index >= static_cast<int>(m_driveEntryErrors.size()))
        return 0;
    return m_driveEntryErrors[static_cast<std::size_t>(index)];
}

int DiskDevice::GetVolumeDiskNumber(char letter) {
    CString path;
    path.Format("\\\\.\\%c:", letter);
    HANDLE volume =
        CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (volume == INVALID_HANDLE_VALUE)
        return kNoDisk;
    // Room for one extent only: a volume spanning more is refused and stands alone.
    VOLUME_DISK_EXTENTS extents{};
    DWORD returned = 0;
    BOOL answered = DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0,
                                    &extents, sizeof extents, &returned, nullptr);
    const DWORD error = answered ? 0 : GetLastError();
    CloseHandle(volume);
    if (!answered) {
        SetLastError(error); // the refusal is the reason, whatever the close says
        return kNoDisk;
    }
    return static_cast<int>(extents.Extents[0].DiskNumber);
}

void DiskDevice::AddDiskEntry(int disk, char letter) {
    if (MergeIntoDiskEntry(disk, letter) != -1)
        return;
    CString entry;
    entry.Format("% 2d - (%c", disk, letter);
    m_driveList.AddTail(entry);
    m_driveEntryErrors.push_back(0);
}

void DiskDevice::AddUnmappedEntry(char letter) {
    CString entry;
    entry.Format(" * - (%c", letter);
    m_driveList.AddTail(entry);
    // Called just after GetVolumeDiskNumber failed: its error says why.
    m_driveEntryErrors.push_back(GetLastError());
}

int DiskDevice::MergeIntoDiskEntry(int disk, char letter) {
    for (POSITION position = m_driveList.GetHeadPosition(); position != nullptr;) {
        CString& entry = m_driveList.GetNext(position);
        if (IsUnmappedDriveEntry(entry))
            continue;
        int number = DriveEntryDiskNumber(entry);
        if (number == disk) {
            entry += letter;
            return number;
        }
    }
    return -1;
}
