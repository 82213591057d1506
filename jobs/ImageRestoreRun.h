#pragma once
// The restore: writes an image file onto the device from its first sector on, as
// many bytes as the file holds; a compressed image (xz, gzip, zstd, bzip2, told by
// its first bytes) as many as it decompresses to. Then it reads back what it wrote
// and compares it with what it wrote, since a card may take a write and keep
// something else. A restore that stops or fails leaves the chunks written so far
// and the rest of the device as it was; the position stays on the chunk that was
// not written.
//
// Spread over ImageRestoreJob.cpp (the image and the writes), ImagePasses.cpp (the
// passes through the image before anything is written) and RestoreCheck.cpp (the
// read-back).
#include "jobs/JobRun.h"
#include "platform/digest/Digest.h"

#include <cstddef>
#include <functional>
#include <vector>

class DifferingSectors;

class ImageRestoreRun : public JobRun {
public:
    using JobRun::JobRun;

private:
    // ImageRestoreJob.cpp.
    bool Prepare() override;
    bool OpenDecompressor();
    LONGLONG StartPosition() const override { return 0; }
    LONGLONG TotalBytes() const override { return m_size; }
    HANDLE Source() const override { return m_image; }
    bool ZeroesBuffer() const override { return true; }
    // The image file is only read; a chunk reaches the device only once taken.
    bool ReadsAhead() const override { return true; }
    bool Work(DWORD done) override;
    void Completed() override { CheckWrites(); }
    void NothingToTransfer() override;
    void Close() override;

    // ImagePasses.cpp.
    bool MatchesChecksumFile();
    bool CountSize(LONGLONG& size);
    bool ReadThrough(LONGLONG limit, const std::function<void(const BYTE*, DWORD)>& take,
                     LONGLONG& read);

    // RestoreCheck.cpp.
    void CheckWrites();
    void CompareChunk(std::size_t chunk, const BYTE* bytes, DWORD length,
                      DifferingSectors& differing);
    bool ReadImageAgain(std::size_t chunk, DWORD length);
    void Report(const DifferingSectors& differing);

    HANDLE m_image = INVALID_HANDLE_VALUE;
    bool m_compressed = false;
    LONGLONG m_size = 0;
    // The digest of each chunk written, in order: 16 bytes for each chunk, not the
    // chunk, so that memory stays small beside the card.
    std::vector<digest::ChunkDigest> m_written;
    // The image's bytes of a chunk that read back different, raw images only.
    ChunkBuffer m_again;
};
