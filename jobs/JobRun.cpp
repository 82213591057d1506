#include "jobs/JobRun.h"
#include "platform/framework/Messages.h"

#include <algorithm>

namespace {

// A floppy disk and anything smaller moves in chunks of 4 sectors.
constexpr LONGLONG kFloppyCapacity = 1474560;
constexpr DWORD kFloppyChunkSectors = 4;
constexpr DWORD kChunkSectors = 1024;

} // namespace

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
            Transfer();
        } else {
            NothingToTransfer();
        }
    }
    return End();
}

bool JobRun::SizeChunks() {
    m_chunkLength = SectorSize() * ChunkSectors(m_device.GetCapacity(0));
    return m_chunkLength != 0;
}

void JobRun::Begin(LONGLONG total) {
    m_remaining = total;
    SetPosition(StartPosition());
    Seek();
    m_device.Lock();
    m_locked = true;
    if (ReadsAhead()) {
        // A device is read two chunks at once; a file of the job's own may be a
        // compressed image, read in order only.
        const std::size_t readers = Source() == DeviceHandle() ? 2 : 1;
        m_readAhead = std::make_unique<ReadAhead>(Source(), m_chunkLength, total,
                                                  ZeroesBuffer() ? m_chunkLength : 0, readers);
        if (!m_readAhead->Started())
            m_readAhead.reset();
    }
    m_device.RateStart();
}

void JobRun::Seek() {
    DropReadAhead();
    SetFilePointerEx(m_device.m_hDevice, LARGE_INTEGER{Position()}, nullptr, FILE_BEGIN);
}

void JobRun::TransferChunks() {
    while (!StopRequested()) {
        DWORD done = 0;
        bool read = TakeChunk(done);
        // A read that brings nothing before the range is done has met the end of
        // its source early (a file that shrank, a card pulled out): it fails as any
        // read would, instead of being repeated for ever.
        if (read && done == 0) {
            SetLastError(ERROR_HANDLE_EOF);
            read = false;
        }
        if (!read) {
            ShowLastError();
            TransferFailed();
            return;
        }
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

bool JobRun::TakeChunk(DWORD& done) {
    if (m_readAhead)
        return m_readAhead->Next(m_current, done);
    // A job that reads ahead has the helper's buffers until it drops them.
    if (!m_buffer)
        m_buffer = NewChunkBuffer(m_chunkLength);
    m_current = m_buffer.get();
    const auto count = static_cast<DWORD>(std::min<LONGLONG>(m_remaining, m_chunkLength));
    const bool ok = ReadFile(Source(), m_current, count, &done, nullptr) != FALSE;
    if (ZeroesBuffer())
        ZeroRest(m_current, m_chunkLength, done);
    return ok;
}

// The job ends or moves the file pointer itself: the chunks read ahead are
// forgotten, and the pointer goes back to where the first of them began.
void JobRun::DropReadAhead() {
    m_readAhead.reset();
}

// Looks at the queue without taking anything from it. Only the two stop messages
// are looked for, so that another message ahead of them cannot hide them.
static_assert(WM_JOB_ABORT == WM_JOB_QUIT + 1);
bool JobRun::StopRequested() const {
    MSG message{};
    return PeekMessageA(&message, nullptr, WM_JOB_QUIT, WM_JOB_ABORT, PM_NOREMOVE) != FALSE;
}

UINT JobRun::End() {
    DropReadAhead();
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
