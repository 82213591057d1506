#include "device/DiskDevice.h"
#include "device/UnitCode.h"

DiskDevice::DiskDevice() {
    RefreshDriveList();
}

DiskDevice::~DiskDevice() {
    StopWorker();
    CloseDevice();
}

LONGLONG DiskDevice::GetCylinders() const {
    return m_geometry.Geometry.Cylinders.QuadPart;
}

DWORD DiskDevice::GetTracksPerCylinder() const {
    return m_geometry.Geometry.TracksPerCylinder;
}

DWORD DiskDevice::GetSectorsPerTrack() const {
    return m_geometry.Geometry.SectorsPerTrack;
}

DWORD DiskDevice::GetBytesPerSector() const {
    return m_geometry.Geometry.BytesPerSector;
}

LONGLONG DiskDevice::GetCapacity(int unit) const {
    return ScaleByUnit(m_geometry.DiskSize.QuadPart, unit);
}
