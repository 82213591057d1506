#pragma once
// The user-interface thread owns every window. Other threads never touch one: they
// hand the work to that thread and wait for it. Whenever the user-interface thread
// waits (for a lock, for a modal answer) it keeps serving those hand-overs.
#include "platform/kernel/Types.h"

#include <functional>

namespace framework {

// The calling thread becomes the user-interface thread (by default the first
// thread that asks which one it is).
void SetUiThread();
bool OnUiThread();

// Runs work on the user-interface thread and returns when it has run; on that
// thread itself it runs at once.
void RunOnUiThread(const std::function<void()>& work);
// Queues work for the user-interface thread without waiting for it.
void PostToUiThread(std::function<void()> work);
// Runs what other threads handed over; true when something ran.
bool ServeUiRequests();
// True on the user-interface thread while it runs work another thread waits for
// (a job's message box, say): nothing may then wait for that thread in turn.
bool InsideHandOver();
// On the user-interface thread: waits until ready() holds, serving hand-overs.
void WaitServing(const std::function<bool()>& ready);
// Wakes a waiting user-interface thread to look again (a lock was released).
void NotifyUiThread();
// The window backend learns here that a hand-over waits while its loop sleeps.
void SetUiWakeHook(std::function<void()> wake);

} // namespace framework
