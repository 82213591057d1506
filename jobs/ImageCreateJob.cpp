#include "jobs/ChecksumFile.h"
#include "jobs/ImageCreateRun.h"
#include "jobs/ImageName.h"
#include "platform/compress/Compression.h"
#include "platform/framework/Dialog.h"
#include "platform/text/Cp932.h"

// A checksum file left by an image of the same name describes a file that is no
// more; the new one is written once the image is.
bool ImageCreateRun::Prepare() {
    if (LastLba() < FirstLba())
        return false;
    const UINT mode = ImageResume() ? CFile::modeWrite : CFile::modeCreate | CFile::modeWrite;
    if (!m_image.Open(JobText(), mode | CFile::typeBinary)) {
        AfxMessageBox(Jp("ファイルを作成出来ません。").c_str(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    m_rescue = ImageResume();
    if (m_rescue && !LoadResumeMap())
        return false;
    DeleteFileA(ChecksumNameOf(JobText()));
    return m_rescue || Compress();
}

// The window has looked at the map already; one that changed since is refused.
bool ImageCreateRun::LoadResumeMap() {
    if (LoadMap(MapNameOf(JobText()), m_map) == MapLoad::Loaded &&
        MapFits(m_map, (LastLba() + 1) * SectorSize()))
        return true;
    AfxMessageBox(Jp(kMapUnfit).c_str(), MB_OK | MB_ICONEXCLAMATION);
    return false;
}

// A compressed image is written through its compressor, which takes the file
// over; its stream ends at the flush, also after a stop. The compressor writes
// the file through a writer that keeps the digest of what the file takes.
bool ImageCreateRun::Compress() {
    const USHORT format = ImageFormatOfName(JobText());
    if (format == COMPRESSION_FORMAT_NONE)
        return true;
    HANDLE writer = digest::CreateSha256Writer(m_image.m_hFile);
    HANDLE stream = CreateCompressor(writer, format);
    if (stream == INVALID_HANDLE_VALUE) {
        ShowLastError();
        // Reported: the empty file is closed without a second box or a checksum.
        m_failed = m_writeFailed = true;
        return false;
    }
    m_image.m_hFile = stream;
    m_writer = writer;
    m_compressed = true;
    return true;
}

void ImageCreateRun::Transfer() {
    if (ImageResume())
        Rescue(m_map);
    else
        RescueRun::Transfer();
}

void ImageCreateRun::TransferFailed() {
    m_rescue = !m_compressed && AskToRescue();
    if (m_rescue)
        RescueRest(m_map);
    else
        Failed();
}

void ImageCreateRun::Failed() {
    m_failed = true;
    SetPosition(LastLba() * SectorSize());
}

void ImageCreateRun::WriteFailed() {
    ShowLastError();
    m_writeFailed = true;
    Failed();
}

// A compressed image moves as far as its compressor has written into the file,
// not as far as it has taken in; a plain one chunk by chunk.
LONGLONG ImageCreateRun::Advance(DWORD /*done*/) {
    m_copied += ChunkLength();
    ULONGLONG compressed = 0;
    if (!m_compressed || !GetCompressorProgress(m_image.m_hFile, &compressed))
        return ChunkLength();
    const LONGLONG sector = SectorSize();
    return StartPosition() + static_cast<LONGLONG>(compressed) / sector * sector - Position();
}

// Each chunk's digest is kept for the read-back, and a raw image's SHA-256 is
// made as it is written, while the next chunks are read from the drive: the
// read-back then has only the fast digest to make.
bool ImageCreateRun::Work(DWORD done) {
    if (!(m_compressed ? m_image.Write(Buffer(), done) : m_sparse.Write(Buffer(), done))) {
        WriteFailed();
        return false;
    }
    m_chunks.push_back(digest::DigestChunk(Buffer(), done));
    if (!m_compressed)
        m_sha256.Add(Buffer(), done);
    return true;
}

bool ImageCreateRun::Keep(LONGLONG offset, const BYTE* bytes, DWORD count) {
    if (m_sparse.Place(offset, bytes, count))
        return true;
    WriteFailed();
    return false;
}

// A map that cannot be written is said once; the rescue goes on.
void ImageCreateRun::Save(const RescueMap& map) {
    if (m_failed || SaveMap(MapNameOf(JobText()), map) || m_mapFailed)
        return;
    m_mapFailed = true;
    ShowLastError();
}

// A file system may keep writes back and fail them only at the flush or the
// close (a network file system, a quota, a disk failing its write-back): such
// an image is reported like one whose write failed, unless a failure of the
// copy has been reported already. An image whose every write went well gets its
// checksum file, a stopped one too; one that cannot be written is reported.
void ImageCreateRun::Close() {
    if (m_image.m_hFile == INVALID_HANDLE_VALUE)
        return;
    std::string sha256;
    if (FlushAndClose(sha256)) {
        // Ending the stream has put every chunk copied into the file.
        if (m_compressed && !m_completed && !m_failed)
            SetPosition(StartPosition() + m_copied);
        if (!sha256.empty() && !SaveChecksum(JobText(), sha256))
            ShowLastError();
        return;
    }
    if (m_failed)
        return;
    ShowLastError();
    Failed();
}

// The read-back comes after the flush, so that it reads what the storage holds,
// and before the close, so that the image is still held.
bool ImageCreateRun::FlushAndClose(std::string& sha256) {
    const LONGLONG length = m_map.phase == kFinished ? m_map.areas.End() : 0;
    if ((m_compressed || (m_sparse.Finish() && m_sparse.Reach(length))) && m_image.Flush()) {
        sha256 = m_writeFailed ? std::string() : WrittenSha256();
        if (!m_failed && (m_completed || m_map.phase == kFinished))
            ReadBack(sha256);
        return m_image.Close() != FALSE;
    }
    const DWORD error = GetLastError();
    m_image.Close();
    SetLastError(error);
    return false;
}

// Empty where the bytes did not go to the file in order: a rescue's read-back
// makes it.
std::string ImageCreateRun::WrittenSha256() {
    if (m_rescue)
        return {};
    return m_compressed ? digest::FinishWrittenSha256(m_writer) : m_sha256.Finish();
}

UINT DiskDevice::ImageCreateWorker(LPVOID device) {
    return ImageCreateRun(*static_cast<DiskDevice*>(device)).Run();
}
