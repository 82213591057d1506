#include "platform/kernel/FileObject.h"
#include "platform/kernel/Kernel.h"

namespace kernel {

// An image file opened by its path answers the disk requests like a stand-in disk
// (512-byte sectors, the claim a file takes) but names no disk and no volume.
DWORD OpenPlainFile(const OpenRequest& request, std::unique_ptr<OpenObject>& opened) {
    if (request.disposition != CREATE_ALWAYS && request.disposition != OPEN_EXISTING)
        return ERROR_INVALID_PARAMETER;
    return FileObject::Open(request.path, request, request.disposition == CREATE_ALWAYS,
                            DeviceIdentity{}, opened);
}

} // namespace kernel
