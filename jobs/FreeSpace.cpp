#include "device/DiskDevice.h"
#include "platform/framework/FolderOf.h"

// What remains free beside the image once it is written, counted one sector short
// of the image; 0 when the folder's file system cannot be asked, with the query's
// error as the last error (ERROR_SUCCESS when it could be asked).
LONGLONG DiskDevice::GetFreeSpaceAfterImage(const JobParams& params) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExA(framework::FolderOf(params.strText), &available, nullptr, nullptr))
        return 0;
    SetLastError(ERROR_SUCCESS);
    return static_cast<LONGLONG>(available.QuadPart) -
           (params.llLastLba - params.llFirstLba) * LONGLONG{params.nSectorSize};
}
