#include "jobs/JobRun.h"
#include "platform/framework/CFile.h"
#include "platform/framework/Dialog.h"
#include "platform/text/Cp932.h"

namespace {

// Copies the range of the device into a new image file. Whatever ends the copy,
// the file stays with the chunks written so far; a failed read or write ends it
// on the last sector of the range.
class ImageCreateRun : public JobRun {
public:
    using JobRun::JobRun;

private:
    bool Prepare() override {
        if (LastLba() < FirstLba())
            return false;
        if (m_image.Open(JobText(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary))
            return true;
        AfxMessageBox(Jp("ファイルを作成出来ません。").c_str(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }

    bool ZeroesBuffer() const override { return true; }
    // The device is only read; the chunks ahead are written only once taken.
    bool ReadsAhead() const override { return true; }

    void TransferFailed() override { SetPosition(LastLba() * SectorSize()); }

    bool Work(DWORD done) override {
        if (m_image.Write(Buffer(), done))
            return true;
        ShowLastError();
        TransferFailed();
        return false;
    }

    void Close() override { m_image.Close(); }

    CFile m_image;
};

} // namespace

UINT DiskDevice::ImageCreateWorker(LPVOID device) {
    return ImageCreateRun(*static_cast<DiskDevice*>(device)).Run();
}
