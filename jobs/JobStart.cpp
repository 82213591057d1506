#include "device/DiskDevice.h"

// Copies the record and launches the job's thread. The thread is created suspended
// and released only once the slot holds it: a job that ends at once clears the slot,
// and that must not come before the slot is set.
int DiskDevice::StartJob(const JobParams& params, AFX_THREADPROC procedure) {
    if (params.llFirstLba == -1 || m_hDevice == INVALID_HANDLE_VALUE)
        return 0;
    m_nJobSectorSize = params.nSectorSize;
    m_llJobFirstLba = params.llFirstLba;
    m_llJobLastLba = params.llLastLba;
    m_strJobText = params.strText;
    CWinThread* thread =
        AfxBeginThread(procedure, this, THREAD_PRIORITY_ABOVE_NORMAL, 0, CREATE_SUSPENDED);
    m_pWorkerThread.store(thread);
    if (thread != nullptr)
        thread->ResumeThread();
    Sleep(40);
    return 1;
}

int DiskDevice::StartSearch(const JobParams& params) {
    m_bSearchMissed.store(false);
    return StartJob(params, SearchWorker);
}

int DiskDevice::StartImageCreate(const JobParams& params) {
    return StartJob(params, ImageCreateWorker);
}

int DiskDevice::StartImageRestore(const JobParams& params) {
    return StartJob(params, ImageRestoreWorker);
}

int DiskDevice::StartReadTest(const JobParams& params) {
    return StartJob(params, ReadTestWorker);
}

// The scan fills the window's list while it holds the device: only a device that
// is open and taken may be scanned.
int DiskDevice::StartDataScan(const JobParams& params) {
    if (!IsLocked())
        return 0;
    return StartJob(params, DataScanWorker);
}
