#include "jobs/JobRun.h"
#include "platform/framework/Messages.h"

#include <cstring>
#include <new>

namespace {

// A floppy disk and anything smaller moves in chunks of 4 sectors.
constexpr LONGLONG kFloppyCapacity = 1474560;
constexpr DWORD kFloppyChunkSectors = 4;
constexpr DWORD kChunkSectors = 1024;

// Unbuffered reads go straight into the buffer when it is aligned to a page.
constexpr std::align_val_t kBufferAlignment{4096};

} // namespace

void JobRun::AlignedDelete::operator()(BYTE* buffer) const {
    ::operator delete[](buffer, kBufferAlignment);
}

DWORD JobRun::ChunkSectors(LONGLONG capacity) {
    return capacity <= kFloppyCapacity ? kFloppyChunkSectors : kChunkSectors;
}

UINT JobRun::Run() {
    if (m_device.IsLocked() && SizeChunks() && Prepare()) {
        // A range with nothing in it has nothing to read; a negative count would
        // become a huge transfer length.
        LONGLONG total = TotalBytes();
        if (total > 0) {
            Begin(total);
            TransferChunks();
        }
    }
    return End();
}

bool JobRun::SizeChunks() {
    m_chunkLength = SectorSize() * ChunkSectors(m_device.GetCapacity(0));
    return m_chunkLength != 0;
}

void JobRun::Begin(LONGLONG total) {
    m_buffer.reset(static_cast<BYTE*>(::operator new[](m_chunkLength, kBufferAlignment)));
    m_remaining = total;
    SetPosition(StartPosition());
    Seek();
    m_device.Lock();
    m_locked = true;
    m_device.RateStart();
}

void JobRun::Seek() const {
    SetFilePointerEx(m_device.m_hDevice, LARGE_INTEGER{Position()}, nullptr, FILE_BEGIN);
}

BOOL JobRun::Transfer(DWORD count, DWORD& done) {
    return ReadFile(m_device.m_hDevice, m_buffer.get(), count, &done, nullptr);
}

void JobRun::TransferChunks() {
    while (!StopRequested()) {
        DWORD count = m_remaining < m_chunkLength ? static_cast<DWORD>(m_remaining) : m_chunkLength;
        if (ZeroesBuffer())
            std::memset(m_buffer.get(), 0, m_chunkLength);
        DWORD done = 0;
        if (!Transfer(count, done)) {
            ShowLastError();
            TransferFailed();
            return;
        }
        // A read that brings nothing before the range is done would bring nothing
        // again: the job ends where it stands instead of spinning.
        if (done == 0)
            return;
        if (!Work(done))
            return;
        m_remaining -= done;
        if (m_remaining <= 0) {
            SetPosition(LastLba() * SectorSize());
            Completed();
            return;
        }
        SetPosition(Position() + Advance(done));
        m_device.RateUpdate();
    }
}

// Looks at the queue without taking anything from it. Only the two stop messages
// are looked for, so that another message ahead of them cannot hide them.
static_assert(WM_JOB_ABORT == WM_JOB_QUIT + 1);
bool JobRun::StopRequested() const {
    MSG message{};
    return PeekMessageA(&message, nullptr, WM_JOB_QUIT, WM_JOB_ABORT, PM_NOREMOVE) != FALSE;
}

UINT JobRun::End() {
    m_buffer.reset();
    Close();
    if (m_locked)
        m_device.Unlock();
    m_locked = false;
    // The slot is cleared last, after the lock is free, so whoever sees it empty
    // does not then wait for the lock.
    m_device.m_pWorkerThread.store(nullptr);
    return 0;
}
