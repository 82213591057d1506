#pragma once
// The sector that holds the device's current position.
#include "device/DiskDevice.h"

// Before any device has been opened the sector size is 0; sector 0 stands then.
inline LONGLONG CurrentLba(const DiskDevice& device) {
    const DWORD sectorSize = device.GetBytesPerSector();
    if (sectorSize == 0)
        return 0;
    return device.GetPosition() / static_cast<LONGLONG>(sectorSize);
}
