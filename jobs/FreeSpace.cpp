#include "device/DiskDevice.h"

#include <string>

namespace {

// The folder that will hold the file: the path up to its last "/", or the current
// folder for a bare name. A "/" is never the second byte of a double-byte
// character, so the bytes can be searched as they are.
CString FolderOf(const CString& path) {
    const std::size_t slash = path.str().rfind('/');
    if (slash == std::string::npos)
        return ".";
    return CString(path.str().substr(0, slash + 1));
}

} // namespace

// What remains free beside the image once it is written, counted one sector short
// of the image; 0 when the folder's file system cannot be asked.
LONGLONG DiskDevice::GetFreeSpaceAfterImage(const JobParams& params) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExA(FolderOf(params.strText), &available, nullptr, nullptr))
        return 0;
    return static_cast<LONGLONG>(available.QuadPart) -
           (params.llLastLba - params.llFirstLba) * LONGLONG{params.nSectorSize};
}
