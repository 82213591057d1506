#include "jobs/ImageName.h"
#include "jobs/RescueRun.h"
#include "jobs/SparseImage.h"
#include "platform/compress/Compression.h"
#include "platform/framework/CFile.h"
#include "platform/framework/Dialog.h"
#include "platform/text/Cp932.h"

namespace {

// Copies the range of the device into a new image file, with holes where the
// device is zero, or compressed when its name ends in ".zst", ".xz" or ".gz". Whatever ends the
// copy, the file stays with the chunks written so far, flushed to stable storage before the job
// ends; a failed read, write, flush or close ends it on the last sector of the range. A raw
// image may go on past a read error as a rescue, with its map beside it, or go on with the
// rescue that image and map record.
class ImageCreateRun : public RescueRun {
public:
    using RescueRun::RescueRun;

private:
    bool Prepare() override {
        if (LastLba() < FirstLba())
            return false;
        const UINT mode = ImageResume() ? CFile::modeWrite : CFile::modeCreate | CFile::modeWrite;
        if (!m_image.Open(JobText(), mode | CFile::typeBinary)) {
            AfxMessageBox(Jp("ファイルを作成出来ません。").c_str(), MB_OK | MB_ICONEXCLAMATION);
            return false;
        }
        return ImageResume() ? LoadResumeMap() : Compress();
    }

    // The window has looked at the map already; one that changed since is refused.
    bool LoadResumeMap() {
        if (LoadMap(MapNameOf(JobText()), m_map) == MapLoad::Loaded &&
            MapFits(m_map, (LastLba() + 1) * SectorSize()))
            return true;
        AfxMessageBox(Jp(kMapUnfit).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }

    // A compressed image is written through its compressor, which takes the file
    // over; its stream ends at the flush, also after a stop.
    bool Compress() {
        const USHORT format = ImageFormatOfName(JobText());
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
    // The device is only read; the chunks ahead are written only once taken. A
    // resumed rescue reads where its map says.
    bool ReadsAhead() const override { return !ImageResume(); }

    void Transfer() override {
        if (ImageResume())
            Rescue(m_map);
        else
            RescueRun::Transfer();
    }

    void TransferFailed() override {
        if (!m_compressed && AskToRescue())
            RescueRest(m_map);
        else
            Failed();
    }

    void Failed() {
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
        Failed();
        return false;
    }

    bool Keep(LONGLONG offset, const BYTE* bytes, DWORD count) override {
        if (m_sparse.Place(offset, bytes, count))
            return true;
        ShowLastError();
        Failed();
        return false;
    }

    // A map that cannot be written is said once; the rescue goes on.
    void Save(const RescueMap& map) override {
        if (m_failed || SaveMap(MapNameOf(JobText()), map) || m_mapFailed)
            return;
        m_mapFailed = true;
        ShowLastError();
    }

    const char* ReadWord() const override { return "救出"; }

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
        Failed();
    }

    bool FlushAndClose() {
        const LONGLONG length = m_map.phase == kFinished ? m_map.areas.End() : 0;
        if ((m_compressed || (m_sparse.Finish() && m_sparse.Reach(length))) && m_image.Flush())
            return m_image.Close() != FALSE;
        const DWORD error = GetLastError();
        m_image.Close();
        SetLastError(error);
        return false;
    }

    CFile m_image;
    SparseImage m_sparse{m_image};
    RescueMap m_map;
    bool m_compressed = false;
    bool m_completed = false;
    bool m_failed = false;
    bool m_mapFailed = false;
    LONGLONG m_copied = 0; // bytes of the chunks written before the current one
};

} // namespace

UINT DiskDevice::ImageCreateWorker(LPVOID device) {
    return ImageCreateRun(*static_cast<DiskDevice*>(device)).Run();
}
