#include "platform/digest/Digest.h"

#if defined(__x86_64__)
#include <xxh_x86dispatch.h>
#define KOLM_XXH3_128 XXH3_128bits_dispatch
#else
#include <xxhash.h>
#define KOLM_XXH3_128 XXH3_128bits
#endif

namespace digest {

// On x86-64 the library's plain entry point is built for the oldest processors;
// the dispatching one picks AVX2 or AVX-512 where there are, twice as fast.
ChunkDigest DigestChunk(const void* bytes, SIZE_T length) {
    const XXH128_hash_t hash = KOLM_XXH3_128(bytes, length);
    return {hash.low64, hash.high64};
}

} // namespace digest
