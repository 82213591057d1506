#include "jobs/JobRun.h"
#include "platform/framework/CFile.h"
#include "platform/framework/Dialog.h"
#include "platform/text/Cp932.h"

namespace {

// Writes an image file onto the device from its first sector on, as many bytes as
// the file holds. A restore that stops or fails leaves the chunks written so far
// and the rest of the device as it was; the position stays on the chunk that was
// not written.
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
        LARGE_INTEGER size{};
        // Without its size the image has no length to write by.
        if (!GetFileSizeEx(m_image, &size)) {
            ShowLastError();
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
    LONGLONG m_size = 0;
};

} // namespace

UINT DiskDevice::ImageRestoreWorker(LPVOID device) {
    return ImageRestoreRun(*static_cast<DiskDevice*>(device)).Run();
}
