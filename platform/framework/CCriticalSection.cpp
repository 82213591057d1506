#include "platform/framework/CCriticalSection.h"
#include "platform/framework/UiThread.h"

BOOL CCriticalSection::Lock() {
    if (framework::OnUiThread())
        framework::WaitServing([this] { return m_mutex.try_lock(); });
    else
        m_mutex.lock();
    return TRUE;
}

BOOL CCriticalSection::Unlock() {
    m_mutex.unlock();
    framework::NotifyUiThread();
    return TRUE;
}
