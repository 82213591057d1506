#pragma once
// The creation: copies the range of the device into a new image file, with holes
// where the device is zero, or compressed when its name ends in ".zst", ".xz" or
// ".gz". Whatever ends the copy, the file stays with the chunks written so far,
// flushed to stable storage before the job ends; a failed read, write, flush or
// close ends it on the last sector of the range. A raw image may go on past a read
// error as a rescue, with its map beside it, or go on with the rescue that image
// and map record. Once the file is flushed, a copy that completed reads the file
// back and compares it with what the drive gave, and the image gets its checksum
// file beside it.
//
// Spread over ImageCreateJob.cpp (the copy and the file) and ImageReadBack.cpp
// (the read-back).
#include "jobs/RescueRun.h"
#include "jobs/SparseImage.h"
#include "platform/digest/Digest.h"
#include "platform/framework/CFile.h"

#include <cstddef>
#include <string>
#include <vector>

class ImageCreateRun : public RescueRun {
public:
    using RescueRun::RescueRun;

private:
    // ImageCreateJob.cpp.
    bool Prepare() override;
    bool LoadResumeMap();
    bool Compress();
    bool ZeroesBuffer() const override { return true; }
    // The device is only read; the chunks ahead are written only once taken. A
    // resumed rescue reads where its map says.
    bool ReadsAhead() const override { return !ImageResume(); }
    void Transfer() override;
    void TransferFailed() override;
    void Failed();
    void WriteFailed();
    LONGLONG Advance(DWORD done) override;
    void Completed() override { m_completed = true; }
    bool Work(DWORD done) override;
    bool Keep(LONGLONG offset, const BYTE* bytes, DWORD count) override;
    void Save(const RescueMap& map) override;
    const char* ReadWord() const override { return "救出"; }
    void Close() override;
    bool FlushAndClose(std::string& sha256);
    std::string WrittenSha256();

    // ImageReadBack.cpp.
    void ReadBack(std::string& sha256);
    bool ReadBackFrom(HANDLE image, std::string& sha256);
    bool CompareChunk(std::size_t chunk, const BYTE* bytes, DWORD length);
    LONGLONG FirstDifferingSector(std::size_t chunk, const BYTE* bytes, DWORD length);

    CFile m_image;
    SparseImage m_sparse{m_image};
    RescueMap m_map;
    HANDLE m_writer = INVALID_HANDLE_VALUE; // what a compressor writes the file through
    bool m_compressed = false;
    bool m_rescue = false; // bytes went to the image out of order
    bool m_completed = false;
    bool m_failed = false;
    bool m_writeFailed = false; // the file is not what was copied: it gets no checksum
    bool m_mapFailed = false;
    LONGLONG m_copied = 0; // bytes of the chunks written before the current one
    // The SHA-256 of the chunks written in order, holes included: the raw file's.
    digest::Sha256 m_sha256;
    // The digest of each chunk copied in order, as the drive gave it: 16 bytes for
    // each chunk, so that memory stays small beside the drive.
    std::vector<digest::ChunkDigest> m_chunks;
};
