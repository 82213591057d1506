#include "device/DiskDevice.h"
#include "platform/framework/Messages.h"
#include "platform/framework/UiThread.h"

namespace {
constexpr DWORD kStopGrace = 40; // ms for the job to see the request
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
    // Waiting for the lock would only wait for a job inside its loop. A job still
    // preparing (creating its file, emptying the list) takes the lock later and sees
    // the request at its first check; the device must outlive it, so the wait goes on
    // until the job has cleared the slot, serving its requests to the window meanwhile.
    framework::WaitServing([this] { return m_pWorkerThread.load() == nullptr; });
    return 1;
}
