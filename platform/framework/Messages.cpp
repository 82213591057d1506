#include "platform/framework/Messages.h"
#include "platform/kernel/Kernel.h"
#include "platform/kernel/Thread.h"

#include <deque>
#include <map>
#include <mutex>

namespace {

struct Queues {
    std::mutex mutex;
    std::map<DWORD, std::deque<MSG>> byThread;
};

Queues& TheQueues() {
    static Queues queues;
    return queues;
}

bool InRange(UINT message, UINT first, UINT last) {
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

} // namespace

namespace framework {

void CreateThreadQueue() {
    Queues& q = TheQueues();
    std::lock_guard lock(q.mutex);
    q.byThread[GetCurrentThreadId()];
}

void DestroyThreadQueue() {
    Queues& q = TheQueues();
    std::lock_guard lock(q.mutex);
    q.byThread.erase(GetCurrentThreadId());
}

} // namespace framework

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    Queues& q = TheQueues();
    std::lock_guard lock(q.mutex);
    auto found = q.byThread.find(threadId);
    if (found == q.byThread.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    found->second.push_back(MSG{nullptr, message, wParam, lParam, GetTickCount()});
    return TRUE;
}

BOOL PeekMessageA(MSG* message, HWND, UINT first, UINT last, UINT remove) {
    Queues& q = TheQueues();
    std::lock_guard lock(q.mutex);
    auto& queue = q.byThread[GetCurrentThreadId()];
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (!InRange(it->message, first, last))
            continue;
        if (message != nullptr)
            *message = *it;
        if (remove & PM_REMOVE)
            queue.erase(it);
        return TRUE;
    }
    return FALSE;
}
