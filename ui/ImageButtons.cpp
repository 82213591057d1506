#include "ui/ImageButtons.h"
#include "ui/ImageResume.h"

#include "platform/framework/CommonDialogs.h"
#include "platform/framework/Dialog.h"
#include "platform/text/Cp932.h"
#include "resources/Resource.h"

namespace {

constexpr char kImageFilter[] = "Disk Image(*.img)|*.img||";
// A restore also reads compressed images, whatever their name: the job tells the
// format by the file's first bytes.
constexpr char kRestoreFilter[] = "Disk Image(*.img)|*.img|"
                                  "Compressed Disk Image(*.img.xz;*.img.gz;*.img.zst;*.img.bz2)|"
                                  "*.img.xz;*.img.gz;*.img.zst;*.img.bz2||";
constexpr char kImageExtension[] = "img";

// The free-space query failed because no folder is there to hold the file (none
// of that name, a file in its place, or none this user may enter): the file
// cannot be created, whatever room the disk has.
bool NoFolderForImage(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_ACCESS_DENIED;
}

} // namespace

void ImageButtons::OnCreateImage() {
    JobParams params;
    if (!ChooseImageFile(FALSE, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, kImageFilter, params))
        return;
    if (m_host.Device().GetFreeSpaceAfterImage(params) >= kFreeSpaceMargin)
        StartCreation(params);
    else if (NoFolderForImage(GetLastError()))
        AfxMessageBox(Jp("ファイルを作成出来ません。").c_str(), MB_OK | MB_ICONEXCLAMATION);
    else
        AfxMessageBox(Jp("空き容量が足りません").c_str(), MB_OK | MB_ICONEXCLAMATION);
}

// An image with a rescue's map beside it may go on where that rescue stopped; a
// rescue lists its bad areas in the sector list.
void ImageButtons::StartCreation(const JobParams& params) {
    const ResumeChoice choice = AskToResume(params);
    if (choice == ResumeChoice::Refused)
        return;
    DiskDevice& device = m_host.Device();
    device.SetImageResume(choice == ResumeChoice::Resume);
    device.SetScanList(&m_host.SectorList());
    m_host.StartJob(IDC_CREATE_IMAGE, &DiskDevice::StartImageCreate, params);
}

// The image is written at once, without a question: the user chose the file.
// Sectors that read back different from what was written go into the list.
void ImageButtons::OnRestoreImage() {
    JobParams params;
    if (!ChooseImageFile(TRUE, OFN_READONLY, kRestoreFilter, params))
        return;
    m_host.Device().SetScanList(&m_host.SectorList());
    m_host.StartJob(IDC_RESTORE_IMAGE, &DiskDevice::StartImageRestore, params);
}

bool ImageButtons::ChooseImageFile(BOOL openFileDialog, DWORD flags, const char* filter,
                                   JobParams& params) {
    DiskDevice& device = m_host.Device();
    if (device.GetDriveTypeCode() != DRIVE_REMOVABLE)
        return false;
    m_host.ReadControls();
    if (m_host.JobRuns()) {
        m_host.StopJob();
        return false;
    }
    CFileDialog dialog(openFileDialog, kImageExtension, nullptr, flags, filter, &m_window);
    if (dialog.DoModal() != IDOK)
        return false;
    params.nSectorSize = device.GetBytesPerSector();
    params.llFirstLba = 0;
    params.llLastLba = device.GetLastLba();
    params.strText = dialog.GetPathName();
    return true;
}
