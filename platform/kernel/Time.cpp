#include "platform/kernel/Kernel.h"
#include "platform/kernel/Machine.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

namespace kernel {
namespace {

std::atomic<Clock*> installed{nullptr};

DWORD SystemTicks() {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    // The tick count wraps at 2^32 ms like the platform's.
    return static_cast<DWORD>(static_cast<ULONGLONG>(ms));
}

SYSTEMTIME SystemLocalTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(local.tm_year + 1900);
    time.wMonth = static_cast<WORD>(local.tm_mon + 1);
    time.wDayOfWeek = static_cast<WORD>(local.tm_wday);
    time.wDay = static_cast<WORD>(local.tm_mday);
    time.wHour = static_cast<WORD>(local.tm_hour);
    time.wMinute = static_cast<WORD>(local.tm_min);
    time.wSecond = static_cast<WORD>(local.tm_sec);
    time.wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
    return time;
}

} // namespace

void InstallClock(Clock* clock) {
    installed.store(clock);
}

} // namespace kernel

DWORD GetTickCount() {
    if (kernel::Clock* clock = kernel::installed.load())
        return clock->Ticks();
    return kernel::SystemTicks();
}

void GetLocalTime(SYSTEMTIME* time) {
    if (time == nullptr)
        return;
    kernel::Clock* clock = kernel::installed.load();
    *time = clock != nullptr ? clock->LocalTime() : kernel::SystemLocalTime();
}

void Sleep(DWORD milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
