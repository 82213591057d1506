#include "jobs/ChunkBuffer.h"

#include <cstring>
#include <new>

namespace {

constexpr std::align_val_t kBufferAlignment{4096};

} // namespace

void AlignedDelete::operator()(BYTE* buffer) const {
    ::operator delete[](buffer, kBufferAlignment);
}

ChunkBuffer NewChunkBuffer(DWORD length) {
    return ChunkBuffer(static_cast<BYTE*>(::operator new[](length, kBufferAlignment)));
}

void ZeroRest(BYTE* buffer, DWORD zeroed, DWORD filled) {
    if (filled < zeroed)
        std::memset(buffer + filled, 0, zeroed - filled);
}
