#include "platform/framework/WinThread.h"
#include "platform/framework/Messages.h"
#include "platform/framework/UiThread.h"
#include "platform/kernel/Kernel.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

struct CWinThread::Start {
    AFX_THREADPROC procedure;
    LPVOID parameter;
    CWinThread* thread;
    std::mutex mutex;
    std::condition_variable changed;
    bool started = false;
    bool released = false;
};

namespace {

std::atomic<int> unfinished{0};

DWORD ThreadEntry(LPVOID argument) {
    auto* start = static_cast<CWinThread::Start*>(argument);
    framework::CreateThreadQueue();
    {
        std::unique_lock lock(start->mutex);
        start->started = true;
        start->changed.notify_all();
        start->changed.wait(lock, [start] { return start->released; });
    }
    UINT code = start->procedure(start->parameter);
    framework::DestroyThreadQueue();
    CWinThread* thread = start->thread;
    if (thread->m_bAutoDelete)
        framework::PostToUiThread([thread] { delete thread; });
    unfinished.fetch_sub(1);
    return code;
}

} // namespace

int framework::UnfinishedThreads() {
    return unfinished.load();
}

CWinThread::~CWinThread() {
    if (m_hThread != nullptr)
        CloseHandle(m_hThread);
    delete m_start;
}

DWORD CWinThread::ResumeThread() {
    std::lock_guard lock(m_start->mutex);
    DWORD previous = m_start->released ? 0 : 1;
    m_start->released = true;
    m_start->changed.notify_all();
    return previous;
}

CWinThread* AfxBeginThread(AFX_THREADPROC procedure, LPVOID parameter, int priority, UINT stackSize,
                           DWORD flags, LPVOID security) {
    unfinished.fetch_add(1);
    auto* thread = new CWinThread;
    thread->m_start = new CWinThread::Start{procedure, parameter, thread, {}, {}, false, false};
    thread->m_hThread =
        CreateThread(security, stackSize, ThreadEntry, thread->m_start, 0, &thread->m_nThreadID);
    if (thread->m_hThread == nullptr || thread->m_hThread == INVALID_HANDLE_VALUE) {
        thread->m_hThread = nullptr;
        delete thread;
        unfinished.fetch_sub(1);
        return nullptr;
    }
    SetThreadPriority(thread->m_hThread, priority);
    {
        std::unique_lock lock(thread->m_start->mutex);
        thread->m_start->changed.wait(lock, [thread] { return thread->m_start->started; });
    }
    if (!(flags & CREATE_SUSPENDED))
        thread->ResumeThread();
    return thread;
}
