#include "jobs/ReadAhead.h"
#include "platform/kernel/Thread.h"

#include <algorithm>
#include <chrono>
#include <thread>

ReadAhead::ReadAhead(HANDLE file, DWORD chunkLength, LONGLONG total, DWORD zeroed,
                     std::size_t readers)
    : m_file(file), m_chunkLength(chunkLength), m_total(std::max<LONGLONG>(total, 0)),
      m_zeroed(zeroed) {
    LARGE_INTEGER from{};
    SetFilePointerEx(m_file, LARGE_INTEGER{0}, &from, FILE_CURRENT);
    m_from = from.QuadPart;
    m_pointer = m_from;
    m_ended = static_cast<std::size_t>((m_total + chunkLength - 1) / chunkLength);
    m_buffers = NewChunkBuffer(SIZE_T{chunkLength} * kSlots);
    for (std::size_t i = 0; i < kSlots; ++i)
        m_slots[i].buffer = m_buffers.get() + SIZE_T{chunkLength} * i;
    for (std::size_t i = 0; i < std::clamp<std::size_t>(readers, 1, kMaxReaders); ++i)
        m_helpers[i] = CreateThread(nullptr, 0, ServeThread, this, 0, nullptr);
}

ReadAhead::~ReadAhead() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (HANDLE helper : m_helpers) {
        if (helper == nullptr)
            continue;
        WaitForSingleObject(helper, INFINITE);
        CloseHandle(helper);
    }
    SetFilePointerEx(m_file, LARGE_INTEGER{m_pointer}, nullptr, FILE_BEGIN);
}

namespace {
// A chunk from a fast source (a loop device over cached pages) arrives sooner than
// this: falling asleep and being woken for it would cost more than the wait. From
// a disk it comes later, and spinning for it would take the core that the disk's
// completions and the helpers need.
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
        return m_taken >= m_ended || (m_taken < m_started && m_slots[m_taken % kSlots].read);
    };
    std::unique_lock lock(m_mutex);
    const auto waitFrom = std::chrono::steady_clock::now();
    while (m_spins && !ready() && std::chrono::steady_clock::now() < waitFrom + kSpin) {
        lock.unlock();
        std::this_thread::yield();
        lock.lock();
    }
    if (!ready()) {
        m_changed.wait(lock, ready);
        // Spinning pays while the last wait was short.
        m_spins = std::chrono::steady_clock::now() < waitFrom + kSpin;
    }
    // Asked beyond the last chunk: nothing more comes, as from a read at the end.
    if (m_taken >= m_ended) {
        done = 0;
        return true;
    }
    const Slot& slot = m_slots[m_taken % kSlots];
    ++m_taken;
    m_holding = true;
    m_pointer += slot.done;
    buffer = slot.buffer;
    done = slot.done;
    if (!slot.ok)
        SetLastError(slot.error);
    return slot.ok;
}

bool ReadAhead::MayRead() const {
    const std::size_t inUse = m_started - m_taken + (m_holding ? 1 : 0);
    return m_started < m_ended && inUse < kSlots;
}

DWORD ReadAhead::CountOf(std::size_t chunk) const {
    const LONGLONG offset = static_cast<LONGLONG>(chunk) * m_chunkLength;
    return static_cast<DWORD>(std::min<LONGLONG>(m_total - offset, m_chunkLength));
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
        const std::size_t chunk = m_started++;
        Slot& slot = m_slots[chunk % kSlots];
        slot.read = false;
        // The job leaves a slot alone until it has been read.
        lock.unlock();
        Read(slot, chunk);
        lock.lock();
        slot.read = true;
        if (!slot.ok || slot.done < CountOf(chunk))
            m_ended = std::min(m_ended, chunk + 1);
        // Woken with the lock still held, the job would only wait for it again,
        // and the next read would wait for that wake-up.
        lock.unlock();
        m_changed.notify_all();
        lock.lock();
    }
}

void ReadAhead::Read(Slot& slot, std::size_t chunk) {
    const auto offset =
        static_cast<ULONGLONG>(m_from) + static_cast<ULONGLONG>(chunk) * m_chunkLength;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    slot.done = 0;
    slot.ok = ReadFile(m_file, slot.buffer, CountOf(chunk), &slot.done, &at) != FALSE;
    slot.error = slot.ok ? 0 : GetLastError();
    ZeroRest(slot.buffer, m_zeroed, slot.done);
}
