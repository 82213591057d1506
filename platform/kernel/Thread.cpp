#include "platform/kernel/Thread.h"
#include "platform/kernel/HandleTable.h"
#include "platform/kernel/Kernel.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sys/resource.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace kernel {
namespace {

std::atomic<DWORD> nextThreadId{1};
thread_local DWORD currentThreadId = 0;

// Nice values below 0 need privileges; without them the thread keeps its priority.
void ApplyPriority(pid_t tid, int priority) {
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), -priority);
}

struct ThreadHandle : KernelHandle {
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
    bool finished = false;
    DWORD exitCode = STILL_ACTIVE;
    int priority = THREAD_PRIORITY_NORMAL;
    pid_t tid = 0;
    DWORD id = 0;

    void Run(LPTHREAD_START_ROUTINE start, LPVOID parameter) {
        currentThreadId = id;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [this] { return released; });
            tid = gettid();
            ApplyPriority(tid, priority);
        }
        DWORD code = start(parameter);
        std::lock_guard lock(mutex);
        exitCode = code;
        finished = true;
        changed.notify_all();
    }
};

} // namespace
} // namespace kernel

using kernel::ThreadHandle;

HANDLE CreateThread(LPVOID, std::size_t, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD flags, DWORD* threadId) {
    auto thread = std::make_shared<ThreadHandle>();
    thread->id = kernel::nextThreadId.fetch_add(1);
    thread->released = (flags & CREATE_SUSPENDED) == 0;
    try {
        std::thread([thread, start, parameter] { thread->Run(start, parameter); }).detach();
    } catch (const std::system_error& error) {
        // Out of threads: no handle, as the caller can cope with.
        SetLastError(static_cast<DWORD>(error.code().value()));
        return nullptr;
    }
    if (threadId != nullptr)
        *threadId = thread->id;
    return kernel::AddHandle(thread);
}

DWORD ResumeThread(HANDLE handle) {
    auto thread = kernel::FindHandleOf<ThreadHandle>(handle);
    if (!thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return static_cast<DWORD>(-1);
    }
    std::lock_guard lock(thread->mutex);
    DWORD previous = thread->released ? 0 : 1;
    thread->released = true;
    thread->changed.notify_all();
    return previous;
}

BOOL SetThreadPriority(HANDLE handle, int priority) {
    auto thread = kernel::FindHandleOf<ThreadHandle>(handle);
    if (!thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard lock(thread->mutex);
    thread->priority = priority;
    if (thread->tid != 0)
        kernel::ApplyPriority(thread->tid, priority);
    return TRUE;
}

BOOL GetExitCodeThread(HANDLE handle, DWORD* exitCode) {
    auto thread = kernel::FindHandleOf<ThreadHandle>(handle);
    if (!thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard lock(thread->mutex);
    if (exitCode != nullptr)
        *exitCode = thread->exitCode;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    auto thread = kernel::FindHandleOf<ThreadHandle>(handle);
    if (!thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return static_cast<DWORD>(-1);
    }
    std::unique_lock lock(thread->mutex);
    auto done = [&] { return thread->finished; };
    if (milliseconds == INFINITE) {
        thread->changed.wait(lock, done);
        return WAIT_OBJECT_0;
    }
    bool ended = thread->changed.wait_for(lock, std::chrono::milliseconds(milliseconds), done);
    return ended ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

DWORD GetCurrentThreadId() {
    if (kernel::currentThreadId == 0)
        kernel::currentThreadId = kernel::nextThreadId.fetch_add(1);
    return kernel::currentThreadId;
}
