#include "view/DrivePanel.h"

#include "view/ControlSets.h"
#include "view/ViewHost.h"

#include "device/DriveEntry.h"
#include "platform/framework/Wnd.h"
#include "resources/Resource.h"

namespace {

constexpr LONGLONG kMegabyteDisplay = 0xA00000; // from 10 MiB on sizes read in MB

const char* TypeWord(UINT driveType) {
    switch (driveType) {
    case DRIVE_REMOVABLE:
        return "Removable / ";
    case DRIVE_FIXED:
        return "Fixed / HDD / ";
    case DRIVE_CDROM:
        return "Removable / CD / ";
    default:
        return "";
    }
}

CString CapacityText(const DiskDevice& device) {
    CString text;
    if (device.GetCapacity(0) >= kMegabyteDisplay)
        text.Format("%I64dMB", device.GetCapacity(2));
    else
        text.Format("%I64dKB", device.GetCapacity(1));
    return text;
}

// Whether cylinders, heads and sectors multiply out to the capacity; unsigned, so
// figures that overflow simply do not match.
bool GeometryMatchesCapacity(const DiskDevice& device) {
    const ULONGLONG product = static_cast<ULONGLONG>(device.GetBytesPerSector()) *
                              device.GetTracksPerCylinder() * device.GetSectorsPerTrack() *
                              static_cast<ULONGLONG>(device.GetCylinders());
    return product == static_cast<ULONGLONG>(device.GetCapacity(0));
}

} // namespace

// While a job runs the device belongs to it: closing it now would pull the handle
// from under the worker.
void DrivePanel::OnLockButton() {
    if (m_host.JobRuns())
        return;
    m_host.ReadControls();
    if (m_host.Device().IsLocked())
        CloseDrive();
    else
        OpenDrive();
}

void DrivePanel::CloseDrive() {
    m_host.Device().CloseDevice();
    m_host.SetControlText(IDC_LOCK, "Lock");
    m_host.EnableControl(IDC_DRIVE_LIST, TRUE);
    for (int id : kClosedSet)
        m_host.EnableControl(id, FALSE);
    // The title, the geometry and the last dump stay as they were.
    m_host.DriveList().SetFocus();
}

void DrivePanel::OpenDrive() {
    const int index = m_host.Values().m_nDriveIndex;
    if (index < 0)
        return;
    CString entry;
    m_host.DriveList().GetLBText(index, entry);

    DiskDevice& device = m_host.Device();
    CString drivePart;
    BOOL opened = FALSE;
    if (IsUnmappedDriveEntry(entry)) {
        const char name[] = {DriveEntryLetter(entry), '\0'};
        const CString letter = name;
        opened = device.OpenVolume(letter);
        drivePart.Format("Drive (%s:) / ", letter.GetString());
    } else {
        const int number = DriveEntryDiskNumber(entry);
        opened = device.OpenPhysicalDrive(number);
        drivePart.Format("PhysicalDrive%d / ", number);
    }

    MainValues& values = m_host.Values();
    values.m_strHexView.Empty();
    values.m_strTextPane.Empty();
    m_host.SectorList().ResetContent();
    m_host.SetViewMode(0);
    if (!opened) {
        values.m_strCylinders.Empty();
        values.m_strMediaType.Empty();
        values.m_strHeads.Empty();
        values.m_strSectorsPerTrack.Empty();
        values.m_strBytesPerSector.Empty();
        m_host.WriteControls();
        return;
    }
    ShowOpenedDrive(drivePart);
}

void DrivePanel::ShowOpenedDrive(const CString& drivePart) {
    DiskDevice& device = m_host.Device();
    MainValues& values = m_host.Values();

    m_host.SetWindowText("Kolm - " + drivePart + TypeWord(device.GetDriveTypeCode()) +
                         CapacityText(device));
    values.m_strCylinders.Format("%I64d", device.GetCylinders());
    values.m_strHeads.Format("%d", device.GetTracksPerCylinder());
    values.m_strSectorsPerTrack.Format("%d", device.GetSectorsPerTrack());
    values.m_strBytesPerSector.Format("%d", device.GetBytesPerSector());
    m_host.SetControlText(IDC_GEOMETRY_GROUP, GeometryMatchesCapacity(device)
                                                  ? "Disk Geometry"
                                                  : "/* Disk Geometry */");
    values.m_strLastLba.Format("%I64d", device.GetLastLba());
    m_host.WriteControls();

    device.SetPosition(0);
    m_host.RefreshSectorView();
    m_host.SetControlText(IDC_LOCK, "Unlock");
    m_host.EnableControl(IDC_DRIVE_LIST, FALSE);
    m_host.SetBusy(false);
}
