#pragma once
// A clock that moves only when the test says so, behind GetTickCount and
// GetLocalTime for its lifetime.
//
//   ManualClock clock;        // ticks at 0, local time 2024-01-01 00:00:00.000
//   clock.Advance(100);       // GetTickCount() == 100
//   clock.SetTicks(0xFFFFFFF0); // to test the wrap at 2^32 ms
//   clock.SetLocalTime({2024, 5, 3, 17, 9, 30, 0, 0}); // year, month, weekday, day, h, m, s, ms
#include "platform/kernel/Machine.h"

#include <atomic>
#include <functional>
#include <mutex>

class ManualClock : public kernel::Clock {
public:
    ManualClock() { kernel::InstallClock(this); }
    ~ManualClock() override { kernel::InstallClock(nullptr); }
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    // Unsigned, so that advancing past 2^32 ms wraps as the tick count does.
    void Advance(DWORD milliseconds) { m_ticks.fetch_add(milliseconds); }
    void SetTicks(DWORD ticks) { m_ticks.store(ticks); }
    void SetLocalTime(const SYSTEMTIME& time) {
        std::lock_guard lock(m_mutex);
        m_time = time;
    }

    // Runs an action on the reading thread each time the ticks are read: a job reads
    // them for its rate after every chunk, before it looks for a stop request.
    void WhenRead(std::function<void()> action) {
        std::lock_guard lock(m_mutex);
        m_whenRead = std::move(action);
    }

    DWORD Ticks() override {
        std::function<void()> action;
        {
            std::lock_guard lock(m_mutex);
            action = m_whenRead;
        }
        if (action)
            action();
        return m_ticks.load();
    }
    SYSTEMTIME LocalTime() override {
        std::lock_guard lock(m_mutex);
        return m_time;
    }

private:
    std::atomic<DWORD> m_ticks{0};
    std::mutex m_mutex;
    SYSTEMTIME m_time{2024, 1, 1, 1, 0, 0, 0, 0};
    std::function<void()> m_whenRead;
};
