#include "jobs/JobRun.h"
#include "jobs/SparseImage.h"
#include "platform/compress/Compression.h"
#include "platform/framework/CFile.h"
#include "platform/framework/Dialog.h"
#include "platform/text/Cp932.h"

#include <string_view>

namespace {

// The format a typed extension chooses; any other name gets a raw image.
USHORT FormatOfName(const CString& path) {
    struct Extension {
        std::string_view text;
        USHORT format;
    };
    static constexpr Extension kExtensions[] = {
        {".zst", COMPRESSION_FORMAT_ZSTD},
        {".xz", COMPRESSION_FORMAT_XZ},
        {".gz", COMPRESSION_FORMAT_GZIP},
    };
    // No byte of an extension is ever the second byte of a double-byte character.
    const std::string_view name = path.str();
    for (const Extension& extension : kExtensions)
        if (name.ends_with(extension.text))
            return extension.format;
    return COMPRESSION_FORMAT_NONE;
}

// Copies the range of the device into a new image file, with holes where the
// device is zero, or compressed when its name ends in ".zst", ".xz" or ".gz". Whatever ends the
// copy, the file stays with the chunks written so far, flushed to stable storage before the job
// ends; a failed read, write, flush or close ends it on the last sector of the range.
class ImageCreateRun : public JobRun {
public:
    using JobRun::JobRun;

private:
    bool Prepare() override {
        if (LastLba() < FirstLba())
            return false;
        if (m_image.Open(JobText(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary))
            return Compress();
        AfxMessageBox(Jp("ファイルを作成出来ません。").c_str(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }

    // A compressed image is written through its compressor, which takes the file
    // over; its stream ends at the flush, also after a stop.
    bool Compress() {
        const USHORT format = FormatOfName(JobText());
        if (format == COMPRESSION_FORMAT_NONE)
            return true;
        HANDLE stream = CreateCompressor(m_image.m_hFile, format);
        if (stream == INVALID_HANDLE_VALUE) {
            ShowLastError();
            m_failed = true; // reported: the empty file is closed without a second box
            return false;
        }
        m_image.m_hFile = stream;
        m_compressed = true;
        return true;
    }

    bool ZeroesBuffer() const override { return true; }
    // The device is only read; the chunks ahead are written only once taken.
    bool ReadsAhead() const override { return true; }

    void TransferFailed() override {
        m_failed = true;
        SetPosition(LastLba() * SectorSize());
    }

    // A compressed image moves as far as its compressor has written into the file,
    // not as far as it has taken in; a plain one chunk by chunk.
    LONGLONG Advance(DWORD /*done*/) override {
        m_copied += ChunkLength();
        ULONGLONG compressed = 0;
        if (!m_compressed || !GetCompressorProgress(m_image.m_hFile, &compressed))
            return ChunkLength();
        const LONGLONG sector = SectorSize();
        return StartPosition() + static_cast<LONGLONG>(compressed) / sector * sector - Position();
    }

    void Completed() override { m_completed = true; }

    bool Work(DWORD done) override {
        if (m_compressed ? m_image.Write(Buffer(), done) : m_sparse.Write(Buffer(), done))
            return true;
        ShowLastError();
        TransferFailed();
        return false;
    }

    // A file system may keep writes back and fail them only at the flush or the
    // close (a network file system, a quota, a disk failing its write-back): such
    // an image is reported like one whose write failed, unless a failure of the
    // copy has been reported already.
    void Close() override {
        if (m_image.m_hFile == INVALID_HANDLE_VALUE)
            return;
        if (FlushAndClose()) {
            // Ending the stream has put every chunk copied into the file.
            if (m_compressed && !m_completed && !m_failed)
                SetPosition(StartPosition() + m_copied);
            return;
        }
        if (m_failed)
            return;
        ShowLastError();
        TransferFailed();
    }

    bool FlushAndClose() {
        if ((m_compressed || m_sparse.Finish()) && m_image.Flush())
            return m_image.Close() != FALSE;
        const DWORD error = GetLastError();
        m_image.Close();
        SetLastError(error);
        return false;
    }

    CFile m_image;
    SparseImage m_sparse{m_image};
    bool m_compressed = false;
    bool m_completed = false;
    bool m_failed = false;
    LONGLONG m_copied = 0; // bytes of the chunks written before the current one
};

} // namespace

UINT DiskDevice::ImageCreateWorker(LPVOID device) {
    return ImageCreateRun(*static_cast<DiskDevice*>(device)).Run();
}
