#pragma once
// Digests of bytes in memory: a fast 128-bit one (XXH3) that tells a chunk read
// back from the chunk written, strong against accidents though not against
// someone who forges bytes, and SHA-256, the digest images are handed around
// with. The only folder that includes libxxhash and OpenSSL.
#include "platform/kernel/Types.h"

#include <memory>
#include <string>

namespace digest {

struct ChunkDigest {
    ULONGLONG low = 0;
    ULONGLONG high = 0;
    friend bool operator==(const ChunkDigest&, const ChunkDigest&) = default;
};

ChunkDigest DigestChunk(const void* bytes, SIZE_T length);

// SHA-256 of bytes given piece by piece.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Add(const void* bytes, SIZE_T length);
    // The 64 lower-case hexadecimal digits sha256sum writes; empty when the
    // library could not make the digest, which then matches no checksum.
    std::string Finish();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// A handle over file, which it takes over (CloseHandle closes the file too), that
// writes through to it front to back and keeps the SHA-256 of what the file took:
// the digest of a file made by a writer that gives out bytes once (a compressor).
HANDLE CreateSha256Writer(HANDLE file);
// The digest of all the writer wrote, once; empty when a write went in part or
// the library could not make it.
std::string FinishWrittenSha256(HANDLE writer);

} // namespace digest
