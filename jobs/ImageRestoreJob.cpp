#include "jobs/ImageRestoreRun.h"
#include "platform/compress/Compression.h"
#include "platform/framework/CFile.h"
#include "platform/framework/Dialog.h"
#include "platform/text/Cp932.h"

bool ImageRestoreRun::Prepare() {
    if (LastLba() < FirstLba())
        return false;
    m_image = CreateFileA(JobText(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_READONLY, nullptr);
    if (m_image == INVALID_HANDLE_VALUE) {
        AfxMessageBox(JobText() + Jp("ファイルを開けません。").c_str(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    if (!MatchesChecksumFile())
        return false;
    if (!OpenDecompressor()) {
        ShowLastError();
        return false;
    }
    LARGE_INTEGER size{};
    // Without its size the image has no length to write by; a compressed one
    // whose format records none is counted.
    if (!GetFileSizeEx(m_image, &size)) {
        if (!m_compressed || GetLastError() != ERROR_NOT_SUPPORTED) {
            ShowLastError();
            return false;
        }
        if (!CountSize(size.QuadPart))
            return false;
    }
    if (Device().GetCapacity(0) < size.QuadPart) {
        Close();
        AfxMessageBox(Jp("容量が足りません").c_str(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    m_size = size.QuadPart;
    m_written.reserve(static_cast<std::size_t>((m_size + ChunkLength() - 1) / ChunkLength()));
    return true;
}

// A compressed image is read through its decompressor, which takes the file over.
bool ImageRestoreRun::OpenDecompressor() {
    const USHORT format = GetCompressionFormat(m_image);
    if (format == COMPRESSION_FORMAT_NONE)
        return true;
    HANDLE stream = CreateDecompressor(m_image, format);
    if (stream == INVALID_HANDLE_VALUE)
        return false;
    m_image = stream;
    m_compressed = true;
    return true;
}

// A write that stops short has failed as well. What was written is kept as its
// digest, for the read-back.
bool ImageRestoreRun::Work(DWORD done) {
    if (!CFile(DeviceHandle()).Write(Buffer(), done)) {
        ShowLastError();
        return false;
    }
    m_written.push_back(digest::DigestChunk(Buffer(), done));
    ReportDeviceWritten();
    return true;
}

// An empty image: nothing is written, and the restore ends as one that wrote
// all of its image.
void ImageRestoreRun::NothingToTransfer() {
    SetPosition(LastLba() * SectorSize());
}

void ImageRestoreRun::Close() {
    if (m_image != INVALID_HANDLE_VALUE)
        CloseHandle(m_image);
    m_image = INVALID_HANDLE_VALUE;
}

UINT DiskDevice::ImageRestoreWorker(LPVOID device) {
    return ImageRestoreRun(*static_cast<DiskDevice*>(device)).Run();
}
