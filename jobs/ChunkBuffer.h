#pragma once
// The buffer a job moves its chunks through, in whole pages so that unbuffered
// transfers go straight into it.
#include "platform/kernel/Types.h"

#include <memory>

struct ChunkRelease {
    void operator()(BYTE* buffer) const;
};
using ChunkBuffer = std::unique_ptr<BYTE[], ChunkRelease>;

// Throws std::bad_alloc when there is no memory for it.
ChunkBuffer NewChunkBuffer(SIZE_T length);

// Zeroes what a read did not fill of the first zeroed bytes: the buffer then
// holds what zeroing it before the read would have left, at a fraction of the cost.
void ZeroRest(BYTE* buffer, DWORD zeroed, DWORD filled);
