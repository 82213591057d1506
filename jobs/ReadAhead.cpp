#include "jobs/ReadAhead.h"
#include "platform/kernel/Thread.h"

#include <algorithm>
#include <chrono>
#include <thread>

ReadAhead::ReadAhead(HANDLE file, DWORD chunkLength, LONGLONG total, DWORD zeroed)
    : m_file(file), m_chunkLength(chunkLength), m_zeroed(zeroed), m_remaining(total) {
    for (Slot& slot : m_slots)
        slot.buffer = NewChunkBuffer(chunkLength);
    m_finished = total <= 0;
    m_helper = CreateThread(nullptr, 0, ServeThread, this, 0, nullptr);
}

ReadAhead::~ReadAhead() {
    if (m_helper == nullptr)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    WaitForSingleObject(m_helper, INFINITE);
    CloseHandle(m_helper);
    if (m_taken < m_started)
        SetFilePointerEx(m_file, LARGE_INTEGER{m_slots[m_taken % kSlots].from}, nullptr,
                         FILE_BEGIN);
}

namespace {
// A chunk from a fast source (a loop device over cached pages) arrives sooner than
// this: falling asleep and being woken for it would cost more than the wait.
constexpr auto kSpin = std::chrono::microseconds(100);
} // namespace

bool ReadAhead::Next(BYTE*& buffer, DWORD& done) {
    {
        std::lock_guard lock(m_mutex);
        m_holding = false;
    }
    // A helper waiting for this slot starts reading into it at once.
    m_changed.notify_all();
    const auto ready = [this] {
        return (m_taken < m_started && m_slots[m_taken % kSlots].read) ||
               (m_finished && m_taken == m_started);
    };
    std::unique_lock lock(m_mutex);
    const auto spinUntil = std::chrono::steady_clock::now() + kSpin;
    while (!ready() && std::chrono::steady_clock::now() < spinUntil) {
        lock.unlock();
        std::this_thread::yield();
        lock.lock();
    }
    m_changed.wait(lock, ready);
    // Asked beyond the last read: nothing more comes, as from a read at the end.
    if (m_taken == m_started) {
        done = 0;
        return true;
    }
    const Slot& slot = m_slots[m_taken % kSlots];
    ++m_taken;
    m_holding = true;
    buffer = slot.buffer.get();
    done = slot.done;
    if (!slot.ok)
        SetLastError(slot.error);
    return slot.ok;
}

bool ReadAhead::MayRead() const {
    const std::size_t inUse = m_started - m_taken + (m_holding ? 1 : 0);
    return !m_finished && inUse < kSlots;
}

DWORD ReadAhead::ServeThread(LPVOID reader) {
    static_cast<ReadAhead*>(reader)->Serve();
    return 0;
}

void ReadAhead::Serve() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || MayRead(); });
        if (m_stopping)
            return;
        Slot& slot = m_slots[m_started % kSlots];
        slot.read = false;
        ++m_started;
        const auto count = static_cast<DWORD>(std::min<LONGLONG>(m_remaining, m_chunkLength));
        // The job leaves a slot alone until it has been read.
        lock.unlock();
        Read(slot, count);
        lock.lock();
        slot.read = true;
        m_remaining -= slot.done;
        m_finished = !slot.ok || slot.done == 0 || m_remaining <= 0;
        // Woken with the lock still held, the job would only wait for it again,
        // and the next read would wait for that wake-up.
        lock.unlock();
        m_changed.notify_all();
        lock.lock();
    }
}

void ReadAhead::Read(Slot& slot, DWORD count) {
    LARGE_INTEGER from{};
    SetFilePointerEx(m_file, LARGE_INTEGER{0}, &from, FILE_CURRENT);
    slot.from = from.QuadPart;
    slot.done = 0;
    slot.ok = ReadFile(m_file, slot.buffer.get(), count, &slot.done, nullptr) != FALSE;
    slot.error = slot.ok ? 0 : GetLastError();
    ZeroRest(slot.buffer.get(), m_zeroed, slot.done);
}
