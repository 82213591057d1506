#include "platform/digest/Digest.h"

#include <xxhash.h>

namespace digest {

ChunkDigest DigestChunk(const void* bytes, SIZE_T length) {
    const XXH128_hash_t hash = XXH3_128bits(bytes, length);
    return {hash.low64, hash.high64};
}

} // namespace digest
