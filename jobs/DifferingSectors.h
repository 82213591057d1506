#pragma once
// The sectors a read-back found different from what was written, met in the
// device's order: the first, how many, and in the sector list the first sector of
// each area of them, as the card holds it, up to the list's limit.
#include "device/DiskDevice.h"

class DifferingSectors {
public:
    DifferingSectors(DiskDevice& device, DWORD sectorSize)
        : m_device(device), m_sectorSize(sectorSize) {}

    // The next sector, at offset on the device, holding sector; differs when it is
    // not what was written there.
    void Next(LONGLONG offset, const BYTE* sector, bool differs);
    // Sectors that were all as written: an area that differed ends.
    void Same() { m_inArea = false; }

    LONGLONG Count() const { return m_count; }
    LONGLONG FirstOffset() const { return m_first; }

private:
    void BeginArea(LONGLONG offset, const BYTE* sector);

    DiskDevice& m_device;
    const DWORD m_sectorSize;
    LONGLONG m_count = 0;
    LONGLONG m_first = -1;
    bool m_inArea = false;
    bool m_listing = true;
};
