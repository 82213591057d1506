#include "jobs/ChunkBuffer.h"
#include "platform/kernel/Kernel.h"

#include <cstring>
#include <new>

void ChunkRelease::operator()(BYTE* buffer) const {
    VirtualFree(buffer, 0, MEM_RELEASE);
}

// A buffer in large pages is contiguous memory, which a device fills in one piece
// instead of a page at a time: from a virtual disk that made reads a third to a
// half faster. A buffer much smaller than a large page (a floppy's chunk) keeps to
// ordinary pages rather than waste one.
ChunkBuffer NewChunkBuffer(SIZE_T length) {
    const SIZE_T large = GetLargePageMinimum();
    void* buffer = nullptr;
    if (large != 0 && length >= large / 4) {
        const SIZE_T whole = (length + large - 1) / large * large;
        buffer = VirtualAlloc(nullptr, whole, MEM_RESERVE | MEM_COMMIT | MEM_LARGE_PAGES,
                              PAGE_READWRITE);
    }
    if (buffer == nullptr)
        buffer = VirtualAlloc(nullptr, length, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (buffer == nullptr)
        throw std::bad_alloc();
    return ChunkBuffer(static_cast<BYTE*>(buffer));
}

void ZeroRest(BYTE* buffer, DWORD zeroed, DWORD filled) {
    if (filled < zeroed)
        std::memset(buffer + filled, 0, zeroed - filled);
}
