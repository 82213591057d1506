#pragma once
// A process-local lock that its owner may enter again. On the user-interface
// thread, waiting for it keeps serving the hand-overs of other threads, so a thread
// that holds it may still ask the user-interface thread for something.
#include "platform/kernel/Types.h"

#include <mutex>

class CCriticalSection {
public:
    CCriticalSection() = default;
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;
    ~CCriticalSection() = default;

    BOOL Lock();
    BOOL Unlock();

private:
    std::recursive_mutex m_mutex;
};
