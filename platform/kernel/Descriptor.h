#pragma once
// Positional transfers on a descriptor. With direct I/O the kernel wants the
// buffer, offset and length aligned; callers need not care: misaligned transfers
// go through an aligned bounce buffer, aligned ones straight to the descriptor.
#include "platform/kernel/SystemCalls.h"

namespace kernel {

struct DirectAlignment {
    DWORD memory = 0; // 0: the descriptor is buffered
    DWORD offset = 0;
};

class Descriptor {
public:
    // writeRefusal: 0 for a writable descriptor, else the error every write gets.
    Descriptor(sys::UniqueFd fd, DirectAlignment direct, DWORD writeRefusal);

    DWORD Read(ULONGLONG offset, void* buffer, DWORD count, DWORD& done) const;
    DWORD Write(ULONGLONG offset, const void* buffer, DWORD count, DWORD& done) const;
    // What was written, on stable storage.
    DWORD Flush() const;
    // Closes the descriptor and says what close(2) met.
    DWORD Close() { return m_fd.Close(); }
    int Fd() const { return m_fd.Get(); }
    bool IsDirect() const { return m_direct.memory != 0; }

private:
    bool FitsDirect(ULONGLONG offset, const void* buffer, DWORD count) const;
    DWORD BounceRead(ULONGLONG offset, BYTE* buffer, DWORD count, DWORD& done) const;
    DWORD BounceWrite(ULONGLONG offset, const BYTE* buffer, DWORD count, DWORD& done) const;

    sys::UniqueFd m_fd;
    DirectAlignment m_direct;
    DWORD m_writeRefusal;
};

} // namespace kernel
