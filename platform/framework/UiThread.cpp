#include "platform/framework/UiThread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace framework {
namespace {

struct Dispatcher {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> requests;
    std::function<void()> wake;
    std::thread::id uiThread = std::this_thread::get_id();
    unsigned long generation = 0;
    // Hand-overs whose thread waits, running now one inside another (a box inside a
    // box); touched on the user-interface thread only.
    int waitedFor = 0;
};

Dispatcher& TheDispatcher() {
    static Dispatcher dispatcher;
    return dispatcher;
}

void Queue(std::function<void()> work) {
    Dispatcher& d = TheDispatcher();
    std::function<void()> wake;
    {
        std::lock_guard lock(d.mutex);
        d.requests.push_back(std::move(work));
        ++d.generation;
        wake = d.wake;
    }
    d.changed.notify_all();
    if (wake)
        wake();
}

} // namespace

void SetUiThread() {
    Dispatcher& d = TheDispatcher();
    std::lock_guard lock(d.mutex);
    d.uiThread = std::this_thread::get_id();
}

bool OnUiThread() {
    Dispatcher& d = TheDispatcher();
    std::lock_guard lock(d.mutex);
    return d.uiThread == std::this_thread::get_id();
}

void RunOnUiThread(const std::function<void()>& work) {
    if (OnUiThread()) {
        work();
        return;
    }
    std::mutex doneMutex;
    std::condition_variable doneChanged;
    bool done = false;
    Queue([&] {
        Dispatcher& d = TheDispatcher();
        ++d.waitedFor;
        work();
        --d.waitedFor;
        std::lock_guard lock(doneMutex);
        done = true;
        doneChanged.notify_all();
    });
    std::unique_lock lock(doneMutex);
    doneChanged.wait(lock, [&] { return done; });
}

void PostToUiThread(std::function<void()> work) {
    Queue(std::move(work));
}

namespace {

// Runs the oldest hand-over; false when none waits.
bool ServeOldestRequest() {
    Dispatcher& d = TheDispatcher();
    std::function<void()> work;
    {
        std::lock_guard lock(d.mutex);
        if (d.requests.empty())
            return false;
        work = std::move(d.requests.front());
        d.requests.pop_front();
    }
    work();
    return true;
}

} // namespace

bool ServeUiRequests() {
    bool ran = false;
    while (ServeOldestRequest())
        ran = true;
    return ran;
}

bool InsideHandOver() {
    return OnUiThread() && TheDispatcher().waitedFor > 0;
}

void WaitServing(const std::function<bool()>& ready) {
    Dispatcher& d = TheDispatcher();
    for (;;) {
        unsigned long seen;
        {
            std::lock_guard lock(d.mutex);
            seen = d.generation;
        }
        if (ready())
            return;
        // One at a time, with ready() asked after each: a thread that hands over
        // again at once must not run on past what the wait is for.
        if (ServeOldestRequest())
            continue;
        std::unique_lock lock(d.mutex);
        // The timeout only guards against a wake that came between the checks.
        d.changed.wait_for(lock, std::chrono::milliseconds(5),
                           [&] { return d.generation != seen || !d.requests.empty(); });
    }
}

void NotifyUiThread() {
    Dispatcher& d = TheDispatcher();
    {
        std::lock_guard lock(d.mutex);
        ++d.generation;
    }
    d.changed.notify_all();
}

void SetUiWakeHook(std::function<void()> wake) {
    Dispatcher& d = TheDispatcher();
    std::lock_guard lock(d.mutex);
    d.wake = std::move(wake);
}

} // namespace framework
