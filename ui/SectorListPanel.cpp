#include "ui/SectorListPanel.h"

#include "ui/MainDialog.h"
#include "ui/SectorListLookup.h"

// The list is disabled while a job runs; a notification that comes all the same
// must not move the position under the worker.
void SectorListPanel::OnSelectionChange() {
    DiskDevice& device = m_dialog.Device();
    CListBox& list = m_dialog.SectorList();
    const int index = list.GetCurSel();
    if (index < 0 || m_dialog.JobRuns())
        return;
    CString line;
    list.GetText(index, line);
    device.SetPosition(ListLineOffset(line));
    m_dialog.RefreshSectorView();
}

// The first click of the double click has already moved to the line's sector.
void SectorListPanel::OnDoubleClick() {
    m_dialog.SetViewMode(0);
}
