#pragma once
// The buffer a job moves its chunks through, aligned to a page so that
// unbuffered reads go straight into it.
#include "platform/kernel/Types.h"

#include <memory>

struct AlignedDelete {
    void operator()(BYTE* buffer) const;
};
using ChunkBuffer = std::unique_ptr<BYTE[], AlignedDelete>;

ChunkBuffer NewChunkBuffer(DWORD length);

// Zeroes what a read did not fill of the first zeroed bytes: the buffer then
// holds what zeroing it before the read would have left, at a fraction of the cost.
void ZeroRest(BYTE* buffer, DWORD zeroed, DWORD filled);
