#include "view/SectorNavigation.h"

#include "view/ViewHost.h"

#include "platform/framework/Wnd.h"

#include <limits>

namespace {

constexpr LONGLONG kFarthest = std::numeric_limits<LONGLONG>::max();

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// A byte offset of a sector number: negative numbers stop at 0, and a number too
// large for the product lands beyond every device, so the device's clamp puts it
// on the last sector.
LONGLONG OffsetOfSector(LONGLONG lba, DWORD sectorSize) {
    if (lba <= 0 || sectorSize == 0)
        return 0;
    if (lba > kFarthest / static_cast<LONGLONG>(sectorSize))
        return kFarthest;
    return lba * static_cast<LONGLONG>(sectorSize);
}

// 1000 sectors, formed in 32 bits as the step has always been.
ULONGLONG ThousandSectors(DWORD sectorSize) {
    return static_cast<DWORD>(1000u * sectorSize);
}

} // namespace

LONGLONG ParseJumpTarget(const CString& text) {
    const char* cursor = text.GetString();
    while (IsBlank(*cursor))
        ++cursor;
    bool negative = false;
    if (*cursor == '+' || *cursor == '-')
        negative = *cursor++ == '-';
    ULONGLONG value = 0;
    for (; *cursor >= '0' && *cursor <= '9'; ++cursor)
        value = value * 10 + static_cast<ULONGLONG>(*cursor - '0');
    if (negative)
        value = 0 - value;
    return static_cast<LONGLONG>(value);
}

void SectorNavigation::OnPrevSector() {
    MoveBack(m_host.Device().GetBytesPerSector());
    m_host.SelectListLineForPosition(m_host.Device().GetPosition());
}

void SectorNavigation::OnNextSector() {
    MoveForward(m_host.Device().GetBytesPerSector());
    m_host.SelectListLineForPosition(m_host.Device().GetPosition());
}

void SectorNavigation::OnBackThousand() {
    MoveBack(ThousandSectors(m_host.Device().GetBytesPerSector()));
}

void SectorNavigation::OnForwardThousand() {
    MoveForward(ThousandSectors(m_host.Device().GetBytesPerSector()));
}

void SectorNavigation::OnJump() {
    m_host.ReadControls();
    DiskDevice& device = m_host.Device();
    const LONGLONG lba = ParseJumpTarget(m_host.Values().m_strJumpTarget);
    device.SetPosition(OffsetOfSector(lba, device.GetBytesPerSector()));
    m_host.SectorList().SetCurSel(-1);
    m_host.RefreshSectorView();
    m_host.SelectListLineForPosition(device.GetPosition());
}

void SectorNavigation::MoveBack(ULONGLONG step) {
    DiskDevice& device = m_host.Device();
    const LONGLONG position = device.GetPosition();
    const LONGLONG back = static_cast<LONGLONG>(step);
    device.SetPosition(position < back ? 0 : position - back);
    m_host.RefreshSectorView();
}

void SectorNavigation::MoveForward(ULONGLONG step) {
    DiskDevice& device = m_host.Device();
    const LONGLONG position = device.GetPosition();
    const LONGLONG forward = static_cast<LONGLONG>(step);
    device.SetPosition(position > kFarthest - forward ? kFarthest : position + forward);
    m_host.RefreshSectorView();
}
