#include "ui/BusyState.h"

#include "view/ControlSets.h"
#include "view/CurrentLba.h"

#include "platform/framework/Dialog.h"
#include "platform/framework/Messages.h"
#include "platform/framework/Wnd.h"
#include "platform/text/Cp932.h"
#include "resources/Resource.h"

void BusyState::SetBusy(bool busy) {
    if (busy)
        EnterBusy();
    else
        LeaveBusy();
}

void BusyState::EnterBusy() {
    m_busy = true;
    for (int id : kBusySet)
        m_host.EnableControl(id, FALSE);
    m_window.SetTimer(kTimerId, kTimerPeriod, nullptr);
}

void BusyState::LeaveBusy() {
    m_busy = false;
    const bool stopped = m_stopping;
    m_stopping = false;
    m_host.SetControlText(IDC_SEARCH, "Search");
    m_host.SetControlText(IDC_CREATE_IMAGE, Jp("作成").c_str());
    m_host.SetControlText(IDC_RESTORE_IMAGE, Jp("復元").c_str());
    for (int id : kBusySet)
        m_host.EnableControl(id, TRUE);
    DiskDevice& device = m_host.Device();
    if (device.GetDriveTypeCode() != DRIVE_REMOVABLE) {
        m_host.EnableControl(IDC_CREATE_IMAGE, FALSE);
        m_host.EnableControl(IDC_RESTORE_IMAGE, FALSE);
    }
    m_window.KillTimer(kTimerId);

    // A job still inside its loop holds the lock: the view is redrawn only once it
    // has let go of the device. The wait keeps serving the job's own requests.
    device.Lock();
    m_host.RefreshSectorView();
    device.Unlock();

    m_host.SelectListLineForPosition(device.GetPosition());
    m_host.Values().m_strRate.Empty();
    m_host.WriteControls();
    if (m_closing) {
        m_window.PostMessage(WM_COMMAND, IDCANCEL, 0);
        return;
    }
    // The last sector on display could as well be a hit: a miss says so. A search
    // stopped says nothing, though it may have read its last chunk meanwhile.
    if (device.TakeSearchMissed() && !stopped)
        AfxMessageBox(Jp("見つかりませんでした。").c_str(), MB_OK | MB_ICONINFORMATION);
}

// One job at a time, and only on a device that is open: a start that comes while a
// job runs (or has ended and the window is not idle yet) or with no device would
// start a second worker over the first, or leave the window busy over nothing.
void BusyState::StartJob(int stopButton, ViewHost::JobStart start, const JobParams& params) {
    const DiskDevice& device = m_host.Device();
    if (m_busy || !device.IsLocked() || device.IsWorkerRunning())
        return;
    EnterBusy();
    m_stopButton = stopButton;
    m_host.SetControlText(stopButton, "STOP");
    m_host.EnableControl(stopButton, TRUE);
    m_host.Values().m_strHexView.Empty();
    m_host.Values().m_strTextPane.Empty();
    m_host.WriteControls();
    // A job that does not start is noticed by the next tick.
    (m_host.Device().*start)(params);
}

// The job finishes its chunk (an image's compressor its stream) before it lets go
// of the device, and a job stopped while it prepares would take the device after
// it: the window stays busy until the tick after the job has ended, and says that
// it is stopping meanwhile. A STOP that comes while a job's own box is up (from a
// menu left open) runs inside that box, and the job ends once the box is answered.
void BusyState::StopJob() {
    const DWORD threadId = m_host.Device().GetWorkerThreadId();
    if (threadId == 0 || m_stopping)
        return;
    PostThreadMessageA(threadId, WM_JOB_ABORT, 0, 0);
    m_stopping = true;
    m_host.ReadControls();
    m_host.EnableControl(m_stopButton, FALSE);
    m_host.Values().m_strRate = Jp("停止中").c_str();
    m_host.WriteControls();
}

bool BusyState::MayClose() {
    if (!m_busy)
        return true;
    m_closing = true;
    StopJob();
    return false;
}

void BusyState::OnTimer(UINT_PTR id) {
    DiskDevice& device = m_host.Device();
    if (!device.IsWorkerRunning())
        LeaveBusy();
    CString currentLba;
    currentLba.Format("%I64d", CurrentLba(device));
    // The worker may have ended since the first look; then the next tick ends the
    // busy state.
    if (device.IsWorkerRunning())
        ShowProgress(id, currentLba);
}

void BusyState::ShowProgress(UINT_PTR id, const CString& currentLba) {
    // Only the counters the device keeps in memory are read, without the lock.
    DiskDevice& device = m_host.Device();
    MainValues& values = m_host.Values();
    m_host.ReadControls();
    if (id == kTimerId) {
        values.m_strCurrentLba = currentLba;
        // A restore that counts its image first shows the pass, not a percentage
        // of the device that would fall back when the writes begin.
        if (device.IsCountingImage())
            values.m_strPosition = Jp("容量確認中").c_str();
        else
            values.m_strPosition.Format("%8.4f%%", device.GetPositionPercent());
        if (!m_stopping)
            values.m_strRate.Format("%I64dKB/s", device.GetRate(1));
    }
    m_host.WriteControls();
}
