#include "platform/kernel/Descriptor.h"
#include "platform/kernel/DeviceBroker.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>

namespace kernel {
namespace {

// The bounce buffer is used in pieces of this size at most, so a misaligned
// transfer of any length costs bounded memory.
constexpr std::size_t kBouncePiece = std::size_t{1} << 20;

struct AlignedFree {
    std::align_val_t alignment;
    void operator()(BYTE* memory) const { ::operator delete[](memory, alignment); }
};
using AlignedBytes = std::unique_ptr<BYTE[], AlignedFree>;

AlignedBytes AllocateAligned(std::size_t size, DWORD alignment) {
    std::align_val_t align{std::max<std::size_t>(alignment, 64)};
    return AlignedBytes(static_cast<BYTE*>(::operator new[](size, align, std::nothrow)),
                        AlignedFree{align});
}

ULONGLONG AlignDown(ULONGLONG value, DWORD unit) {
    return value - value % unit;
}

ULONGLONG AlignUp(ULONGLONG value, DWORD unit) {
    return AlignDown(value + unit - 1, unit);
}

// Repeats short transfers until all is moved or the end of the file is met.
template <typename Bytes, typename Call>
DWORD Fully(Bytes* buffer, std::size_t count, ULONGLONG offset, std::size_t& done, Call call) {
    done = 0;
    while (done < count) {
        std::size_t moved = 0;
        if (DWORD error = call(buffer + done, count - done, offset + done, moved); error != 0)
            return error;
        if (moved == 0)
            break;
        done += moved;
    }
    return 0;
}

DWORD ReadFully(int fd, BYTE* buffer, std::size_t count, ULONGLONG offset, std::size_t& done) {
    return Fully(buffer, count, offset, done,
                 [fd](BYTE* at, std::size_t n, ULONGLONG where, std::size_t& moved) {
                     return sys::PRead(fd, at, n, where, moved);
                 });
}

DWORD WriteFully(int fd, const BYTE* buffer, std::size_t count, ULONGLONG offset,
                 std::size_t& done) {
    DWORD error = Fully(buffer, count, offset, done,
                        [fd](const BYTE* at, std::size_t n, ULONGLONG where, std::size_t& moved) {
                            return sys::PWrite(fd, at, n, where, moved);
                        });
    // A write that moves nothing without an error has met the end of the device.
    return error == 0 && done < count ? static_cast<DWORD>(ENOSPC) : error;
}

} // namespace

Descriptor::Descriptor(sys::UniqueFd fd, DirectAlignment direct, DWORD writeRefusal,
                       bool writeLater)
    : m_fd(std::move(fd)), m_direct(direct), m_writeRefusal(writeRefusal),
      m_late(writeLater ? std::make_unique<LateWrites>() : nullptr) {}

// The same node with the same transfer flags, for writing; a refusal then (a
// read-only medium, no permission) is the answer to every write.
DWORD Descriptor::WriteFd(int& fd) const {
    fd = Fd();
    if (!m_late)
        return 0;
    std::lock_guard lock(m_late->mutex);
    if (!m_late->fd.IsOpen() && m_late->refusal == 0) {
        int flags = 0;
        DWORD error = sys::GetStatusFlags(Fd(), flags);
        if (error == 0)
            error = ReopenNode(Fd(), (flags & ~O_ACCMODE) | O_WRONLY, m_late->fd);
        m_late->refusal = error;
    }
    fd = m_late->fd.Get();
    return m_late->refusal;
}

DWORD Descriptor::Close() {
    DWORD error = m_late ? m_late->fd.Close() : 0;
    DWORD closed = m_fd.Close();
    return error != 0 ? error : closed;
}

bool Descriptor::FitsDirect(ULONGLONG offset, const void* buffer, DWORD count) const {
    if (!IsDirect())
        return true;
    auto address = reinterpret_cast<std::uintptr_t>(buffer);
    return address % m_direct.memory == 0 && offset % m_direct.offset == 0 &&
           count % m_direct.offset == 0;
}

DWORD Descriptor::Read(ULONGLONG offset, void* buffer, DWORD count, DWORD& done) const {
    done = 0;
    if (!FitsDirect(offset, buffer, count))
        return BounceRead(offset, static_cast<BYTE*>(buffer), count, done);
    std::size_t got = 0;
    DWORD error = ReadFully(Fd(), static_cast<BYTE*>(buffer), count, offset, got);
    done = static_cast<DWORD>(got);
    return error;
}

DWORD Descriptor::Write(ULONGLONG offset, const void* buffer, DWORD count, DWORD& done) const {
    done = 0;
    if (m_writeRefusal != 0)
        return m_writeRefusal;
    int fd = -1;
    if (DWORD error = WriteFd(fd); error != 0)
        return error;
    if (!FitsDirect(offset, buffer, count))
        return BounceWrite(fd, offset, static_cast<const BYTE*>(buffer), count, done);
    std::size_t put = 0;
    DWORD error = WriteFully(fd, static_cast<const BYTE*>(buffer), count, offset, put);
    done = static_cast<DWORD>(put);
    return error;
}

// A descriptor that refuses writes refuses their flush the same way.
DWORD Descriptor::Flush() const {
    if (m_writeRefusal != 0)
        return m_writeRefusal;
    if (!m_late)
        return sys::FSync(Fd());
    std::lock_guard lock(m_late->mutex);
    return sys::FSync(m_late->fd.IsOpen() ? m_late->fd.Get() : Fd());
}

// Reads the aligned span around the wanted bytes, piece by piece, and copies the
// wanted part out.
DWORD Descriptor::BounceRead(ULONGLONG offset, BYTE* buffer, DWORD count, DWORD& done) const {
    const DWORD unit = m_direct.offset;
    ULONGLONG span = AlignUp(offset + count, unit) - AlignDown(offset, unit);
    std::size_t capacity = static_cast<std::size_t>(std::min<ULONGLONG>(span, kBouncePiece));
    AlignedBytes bounce = AllocateAligned(capacity, m_direct.memory);
    if (!bounce)
        return ENOMEM;
    while (done < count) {
        ULONGLONG at = offset + done;
        ULONGLONG start = AlignDown(at, unit);
        auto skip = static_cast<std::size_t>(at - start);
        auto want = static_cast<std::size_t>(
            std::min<ULONGLONG>(AlignUp(skip + count - done, unit), capacity));
        std::size_t got = 0;
        if (DWORD error = ReadFully(Fd(), bounce.get(), want, start, got); error != 0)
            return error;
        if (got <= skip)
            break;
        auto copied = static_cast<DWORD>(std::min<std::size_t>(got - skip, count - done));
        std::memcpy(buffer + done, bounce.get() + skip, copied);
        done += copied;
        if (got < want)
            break;
    }
    return 0;
}

// Only the buffer can be misaligned here: a direct write of part of a unit would
// need a read-modify-write, and the handle layer admits only whole sectors.
DWORD Descriptor::BounceWrite(int fd, ULONGLONG offset, const BYTE* buffer, DWORD count,
                              DWORD& done) const {
    if (offset % m_direct.offset != 0 || count % m_direct.offset != 0)
        return EINVAL;
    std::size_t capacity = std::min<std::size_t>(count, kBouncePiece);
    AlignedBytes bounce = AllocateAligned(capacity, m_direct.memory);
    if (!bounce)
        return ENOMEM;
    while (done < count) {
        std::size_t piece = std::min<std::size_t>(capacity, count - done);
        std::memcpy(bounce.get(), buffer + done, piece);
        std::size_t put = 0;
        DWORD error = WriteFully(fd, bounce.get(), piece, offset + done, put);
        done += static_cast<DWORD>(put);
        if (error != 0)
            return error;
    }
    return 0;
}

} // namespace kernel
