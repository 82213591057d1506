#pragma once
// Positional transfers on a descriptor. With direct I/O the kernel wants the
// buffer, offset and length aligned; callers need not care: misaligned transfers
// go through an aligned bounce buffer, aligned ones straight to the descriptor.
#include "platform/kernel/SystemCalls.h"

#include <memory>
#include <mutex>

namespace kernel {

struct DirectAlignment {
    DWORD memory = 0; // 0: the descriptor is buffered
    DWORD offset = 0;
};

class Descriptor {
public:
    // writeRefusal: 0 for a writable descriptor, else the error every write gets.
    // writeLater: fd is read-only and the node is opened for writing at the first
    // write, so that a device only read is never opened for writing (each close of
    // such an open makes udev probe the disk and its partition table again).
    Descriptor() = default;
    Descriptor(sys::UniqueFd fd, DirectAlignment direct, DWORD writeRefusal,
               bool writeLater = false);

    DWORD Read(ULONGLONG offset, void* buffer, DWORD count, DWORD& done) const;
    DWORD Write(ULONGLONG offset, const void* buffer, DWORD count, DWORD& done) const;
    // What was written, on stable storage.
    DWORD Flush() const;
    // Closes the descriptors and says what close(2) met.
    DWORD Close();
    int Fd() const { return m_fd.Get(); }
    bool IsDirect() const { return m_direct.memory != 0; }

private:
    bool FitsDirect(ULONGLONG offset, const void* buffer, DWORD count) const;
    DWORD BounceRead(ULONGLONG offset, BYTE* buffer, DWORD count, DWORD& done) const;
    DWORD BounceWrite(int fd, ULONGLONG offset, const BYTE* buffer, DWORD count, DWORD& done) const;
    // The descriptor writes go to, opened at the first write where that waits.
    DWORD WriteFd(int& fd) const;

    struct LateWrites {
        std::mutex mutex;
        sys::UniqueFd fd;
        DWORD refusal = 0;
    };

    sys::UniqueFd m_fd;
    DirectAlignment m_direct;
    DWORD m_writeRefusal;
    std::unique_ptr<LateWrites> m_late; // null: writes go to m_fd
};

} // namespace kernel
