#include "device/DiskDevice.h"
#include "platform/framework/Messages.h"

namespace {
constexpr DWORD kStopGrace = 40;       // ms for the job to see the request
constexpr DWORD kThreadEndWait = 1000; // ms for its thread to end after the lock
} // namespace

// Thread objects are deleted on this (the user-interface) thread, only while it
// serves hand-overs, so a pointer read from the slot stays valid until then.
DWORD DiskDevice::GetWorkerThreadId() const {
    CWinThread* thread = m_pWorkerThread.load();
    return thread == nullptr ? 0 : thread->m_nThreadID;
}

int DiskDevice::StopWorker() {
    CWinThread* thread = m_pWorkerThread.load();
    if (thread == nullptr)
        return 0;
    PostThreadMessageA(thread->m_nThreadID, WM_JOB_QUIT, 0, 0);
    Sleep(kStopGrace);
    Lock();
    // The job has left its loop; give its thread a moment to end as well.
    thread = m_pWorkerThread.load();
    DWORD code = 0;
    if (thread != nullptr && GetExitCodeThread(thread->m_hThread, &code) && code == STILL_ACTIVE)
        WaitForSingleObject(thread->m_hThread, kThreadEndWait);
    Unlock();
    return 1;
}
