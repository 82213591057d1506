#include "device/ReadWholeAt.h"
#include "jobs/DifferingSectors.h"
#include "jobs/ImageRestoreRun.h"
#include "platform/framework/Dialog.h"
#include "platform/text/Cp932.h"

#include <cstring>

// After the last chunk the device is read back chunk by chunk, unbuffered and two
// reads ahead, and each chunk's digest compared with the one of what was written:
// a card that keeps less than it says (a counterfeit wraps writes around, a worn
// one drops them) is found only so. A stop ends the check before the next chunk,
// with the position on it; a failed read is reported on the chunk that failed.
void ImageRestoreRun::CheckWrites() {
    SetFilePointerEx(DeviceHandle(), LARGE_INTEGER{0}, nullptr, FILE_BEGIN);
    DifferingSectors differing(Device(), SectorSize());
    if (ReadPass(DeviceHandle(), 0, m_size, 2,
                 [&](std::size_t chunk, const BYTE* bytes, DWORD length) {
                     CompareChunk(chunk, bytes, length, differing);
                     return true;
                 }))
        Report(differing);
}

// Where a chunk differs, a raw image is read again at that chunk to tell which of
// its sectors differ. A compressed image cannot be read again there without
// decompressing all that comes before, so every sector of its chunk counts.
void ImageRestoreRun::CompareChunk(std::size_t chunk, const BYTE* bytes, DWORD length,
                                   DifferingSectors& differing) {
    if (digest::DigestChunk(bytes, length) == m_written[chunk]) {
        differing.Same();
        return;
    }
    const LONGLONG offset = static_cast<LONGLONG>(chunk) * ChunkLength();
    const bool again = ReadImageAgain(chunk, length);
    for (DWORD k = 0; k < length; k += SectorSize()) {
        const bool differs = !again || std::memcmp(bytes + k, m_again.get() + k, SectorSize()) != 0;
        differing.Next(offset + k, bytes + k, differs);
    }
}

// True when the image's bytes of the chunk are in m_again and are still the ones
// written: a file changed since cannot say which sectors differ.
bool ImageRestoreRun::ReadImageAgain(std::size_t chunk, DWORD length) {
    if (m_compressed)
        return false;
    if (!m_again)
        m_again = NewChunkBuffer(ChunkLength());
    return ReadWholeAt(m_image, static_cast<ULONGLONG>(chunk) * ChunkLength(), m_again.get(),
                       length) &&
           digest::DigestChunk(m_again.get(), length) == m_written[chunk];
}

// All as written: the restore ends as it always has, on the last sector.
// Otherwise the view shows what the card holds at the first sector that differs.
void ImageRestoreRun::Report(const DifferingSectors& differing) {
    if (differing.Count() == 0) {
        SetPosition(LastLba() * SectorSize());
        return;
    }
    SetPosition(differing.FirstOffset());
    CString text = Jp("書き込んだ内容と一致しないセクタがあります。").c_str();
    text.AppendFormat("\r\n\r\nLBA  %I64d\r\n%I64d sectors", differing.FirstOffset() / SectorSize(),
                      differing.Count());
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}
