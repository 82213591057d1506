#pragma once
// Worker threads of the framework. AfxBeginThread returns once the new thread has
// its message queue; a thread created suspended waits for ResumeThread before it
// runs its procedure. The thread object is destroyed after the thread ends, on the
// user-interface thread, so that thread may still read a pointer it holds.
#include "platform/kernel/Thread.h"

using AFX_THREADPROC = UINT (*)(LPVOID);

class CWinThread {
public:
    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    BOOL m_bAutoDelete = TRUE;

    DWORD ResumeThread();
    ~CWinThread();

    // How the new thread starts: what it runs and when it may run it.
    struct Start;
    Start* m_start = nullptr;
};

namespace framework {
// Threads begun by the framework whose thread object has not yet been handed to the
// user-interface thread for deletion.
int UnfinishedThreads();
} // namespace framework

CWinThread* AfxBeginThread(AFX_THREADPROC procedure, LPVOID parameter,
                           int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                           DWORD flags = 0, LPVOID security = nullptr);
