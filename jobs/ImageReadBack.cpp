#include "device/ReadWholeAt.h"
#include "jobs/ImageCreateRun.h"
#include "jobs/ImageName.h"
#include "platform/compress/Compression.h"
#include "platform/framework/Dialog.h"
#include "platform/text/Cp932.h"

#include <cstring>

// After the flush the image is read back past the page cache (a compressed one
// through its decompressor) and each chunk's digest compared with the one of what
// the drive gave: a file system, disk or share that took the writes and keeps
// something else is found only so. The first chunk that differs ends the pass,
// with a box and the position on its first differing sector. A stop ends the pass
// before the next chunk, with the position on it and no box; a failed read is
// reported on the chunk that failed. Where the copy made no SHA-256 (a rescue
// wrote in any order) the pass makes it, and leaves sha256 empty when it ends early.
void ImageCreateRun::ReadBack(std::string& sha256) {
    HANDLE image = CreateFileA(JobText(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_NO_BUFFERING, nullptr);
    if (image != INVALID_HANDLE_VALUE && m_compressed) {
        HANDLE stream = CreateDecompressor(image, ImageFormatOfName(JobText()));
        if (stream == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            CloseHandle(image);
            SetLastError(error);
        }
        image = stream;
    }
    if (image == INVALID_HANDLE_VALUE) {
        ShowLastError();
        return;
    }
    if (ReadBackFrom(image, sha256))
        SetPosition(LastLba() * SectorSize());
    CloseHandle(image);
}

bool ImageCreateRun::ReadBackFrom(HANDLE image, std::string& sha256) {
    const bool digests = sha256.empty();
    digest::Sha256 made;
    const bool same = ReadPass(image, StartPosition(), TotalBytes(), m_compressed ? 1 : 2,
                               [&](std::size_t chunk, const BYTE* bytes, DWORD length) {
                                   if (digests)
                                       made.Add(bytes, length);
                                   return CompareChunk(chunk, bytes, length);
                               });
    if (same && digests)
        sha256 = made.Finish();
    return same;
}

// Only the chunks copied in order have a digest; those a rescue wrote are only
// read.
bool ImageCreateRun::CompareChunk(std::size_t chunk, const BYTE* bytes, DWORD length) {
    if (chunk >= m_chunks.size() || digest::DigestChunk(bytes, length) == m_chunks[chunk])
        return true;
    const LONGLONG offset = FirstDifferingSector(chunk, bytes, length);
    SetPosition(offset);
    CString text = Jp("イメージファイルの内容がドライブと一致しません。").c_str();
    text.AppendFormat("\r\n\r\nLBA  %I64d", offset / SectorSize());
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

// The drive's chunk is read again to tell the first sector that differs; a drive
// that now reads otherwise than it did cannot tell it, and the chunk's first
// sector is named.
LONGLONG ImageCreateRun::FirstDifferingSector(std::size_t chunk, const BYTE* bytes, DWORD length) {
    const LONGLONG offset = StartPosition() + static_cast<LONGLONG>(chunk) * ChunkLength();
    const ChunkBuffer drive = NewChunkBuffer(ChunkLength());
    if (!ReadWholeAt(DeviceHandle(), static_cast<ULONGLONG>(offset), drive.get(), length) ||
        digest::DigestChunk(drive.get(), length) != m_chunks[chunk])
        return offset;
    DWORD k = 0;
    while (k + SectorSize() < length && std::memcmp(bytes + k, drive.get() + k, SectorSize()) == 0)
        k += SectorSize();
    return offset + k;
}
