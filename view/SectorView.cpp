#include "view/SectorView.h"

#include "platform/framework/Wnd.h"
#include "resources/Resource.h"
#include "view/HexDump.h"
#include "view/ViewHost.h"

#include <vector>

namespace {

// What the line under the panes says of the sector at the position: a lookup in
// the index built in the background, nothing more is read.
CString OwnerAtPosition(DiskDevice& device, DWORD sectorSize) {
    return device.DescribeSector(device.GetPosition() / static_cast<LONGLONG>(sectorSize));
}

} // namespace

// Only the line changes: what the user has typed into the other controls stays.
// While a job runs the panes show where it started, and so does the line.
void SectorView::FollowSectorOwners() {
    m_host.Device().SetSectorOwnersPublished([this] {
        DiskDevice& device = m_host.Device();
        const DWORD sectorSize = device.GetBytesPerSector();
        CWnd* line = m_host.GetDlgItem(IDC_SECTOR_OWNER);
        if (m_host.JobRuns() || !device.IsLocked() || sectorSize == 0 || line == nullptr)
            return;
        CString& owner = m_host.Values().m_strSectorOwner;
        owner = OwnerAtPosition(device, sectorSize);
        line->SetWindowText(owner);
    });
}

TextKind TextKindOfSearchType(int searchType) {
    switch (searchType) {
    case TEXT_SJIS:
        return TEXT_SJIS;
    case TEXT_UNICODE:
        return TEXT_UNICODE;
    default:
        return TEXT_ASCII;
    }
}

int SectorView::RefreshSectorView() {
    // Reading first is how a new choice in the search type combo box reaches the
    // choice of rendering below.
    m_host.ReadControls();
    DiskDevice& device = m_host.Device();
    MainValues& values = m_host.Values();

    const DWORD sectorSize = device.GetBytesPerSector();
    if (sectorSize < 256)
        return 0;
    std::vector<BYTE> buffer(sectorSize, 0);

    const LONGLONG position = device.GetPosition();
    values.m_strCurrentLba.Format("%I64d", position / static_cast<LONGLONG>(sectorSize));
    values.m_strPosition.Format("%8.4f%%", device.GetPositionPercent());
    values.m_strSectorOwner = OwnerAtPosition(device, sectorSize);

    values.m_strHexView.Empty();
    values.m_strTextPane.Empty();
    const DWORD read = device.ReadAtPosition(buffer.data(), sectorSize);
    if (read != 0) {
        // The dump always covers the whole sector: bytes a short read left show as 00.
        values.m_strHexView = FormatHexDump(position, buffer.data(), sectorSize);
        values.m_strTextPane = device.FormatSectorText(TextKindOfSearchType(values.m_nSearchType),
                                                       buffer.data(), read);
    }
    m_host.WriteControls();
    return 1;
}
