#include "jobs/JobRun.h"
#include "platform/compress/Compression.h"
#include "platform/framework/CFile.h"
#include "platform/framework/Dialog.h"
#include "platform/text/Cp932.h"

namespace {

// Writes an image file onto the device from its first sector on, as many bytes as
// the file holds; a compressed image (xz, gzip, zstd, bzip2, told by its first
// bytes) as many as it decompresses to. A restore that stops or fails leaves the
// chunks written so far and the rest of the device as it was; the position stays
// on the chunk that was not written.
class ImageRestoreRun : public JobRun {
public:
    using JobRun::JobRun;

private:
    bool Prepare() override {
        if (LastLba() < FirstLba())
            return false;
        m_image = CreateFileA(JobText(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_READONLY, nullptr);
        if (m_image == INVALID_HANDLE_VALUE) {
            AfxMessageBox(JobText() + Jp("ファイルを開けません。").c_str(),
                          MB_OK | MB_ICONEXCLAMATION);
            return false;
        }
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
        return true;
    }

    // A compressed image is read through its decompressor, which takes the file over.
    bool OpenDecompressor() {
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

    // A first pass through the decompressed bytes, before anything is written: the
    // window shows it as the position, and a stop ends the job on sector 0. It
    // counts no further than one chunk past the capacity, enough to refuse the
    // image. A failed read is reported on the chunk that failed.
    // The window names the pass while it lasts.
    bool CountSize(LONGLONG& size) {
        SetCountingImage(true);
        const bool counted = Count(size);
        SetCountingImage(false);
        return counted;
    }

    bool Count(LONGLONG& size) {
        const LONGLONG before = Position();
        const ChunkBuffer buffer = NewChunkBuffer(ChunkLength());
        size = 0;
        Device().RateStart();
        for (DWORD done = ChunkLength(); done != 0 && size <= Device().GetCapacity(0);
             size += done) {
            SetPosition(size);
            if (StopRequested()) {
                SetPosition(0);
                return false;
            }
            if (!ReadFile(m_image, buffer.get(), ChunkLength(), &done, nullptr)) {
                ShowLastError();
                return false;
            }
            Device().RateUpdate();
        }
        SetPosition(before);
        return SetFilePointerEx(m_image, LARGE_INTEGER{0}, nullptr, FILE_BEGIN) != FALSE;
    }

    LONGLONG StartPosition() const override { return 0; }
    LONGLONG TotalBytes() const override { return m_size; }
    HANDLE Source() const override { return m_image; }
    bool ZeroesBuffer() const override { return true; }
    // The image file is only read; a chunk reaches the device only once taken.
    bool ReadsAhead() const override { return true; }

    // A write that stops short has failed as well.
    bool Work(DWORD done) override {
        if (CFile(DeviceHandle()).Write(Buffer(), done))
            return true;
        ShowLastError();
        return false;
    }

    // An empty image: nothing is written, and the restore ends as one that wrote
    // all of its image.
    void NothingToTransfer() override { SetPosition(LastLba() * SectorSize()); }

    void Close() override {
        if (m_image != INVALID_HANDLE_VALUE)
            CloseHandle(m_image);
        m_image = INVALID_HANDLE_VALUE;
    }

    HANDLE m_image = INVALID_HANDLE_VALUE;
    bool m_compressed = false;
    LONGLONG m_size = 0;
};

} // namespace

UINT DiskDevice::ImageRestoreWorker(LPVOID device) {
    return ImageRestoreRun(*static_cast<DiskDevice*>(device)).Run();
}
