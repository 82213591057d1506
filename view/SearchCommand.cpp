#include "view/SearchCommand.h"

#include "view/CurrentLba.h"
#include "view/ViewHost.h"

#include "platform/framework/Wnd.h"
#include "resources/Resource.h"

void SearchCommand::OnSearchButton() {
    m_host.ReadControls();
    DiskDevice& device = m_host.Device();
    if (m_host.JobRuns()) {
        // The running job reads the search type; its combo box is disabled, so the
        // value would not change anyway, and writing it now would race the job.
        m_host.StopJob();
        return;
    }
    device.SetSearchType(m_host.Values().m_nSearchType);

    m_host.SectorList().SetCurSel(-1);
    m_host.SetViewMode(0);
    JobParams params;
    params.nSectorSize = device.GetBytesPerSector();
    params.llFirstLba = CurrentLba(device);
    params.llLastLba = device.GetLastLba();
    params.strText = m_host.Values().m_strPattern;
    m_host.StartJob(IDC_SEARCH, &DiskDevice::StartSearch, params);
}
