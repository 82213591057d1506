#include "platform/kernel/OpenNode.h"
#include "platform/kernel/DeviceBroker.h"
#include "platform/kernel/Kernel.h"

#include <fcntl.h>

namespace kernel {
namespace {

DWORD KindRefusal(const struct stat& info, bool device) {
    if (S_ISREG(info.st_mode) || (device && S_ISBLK(info.st_mode)))
        return 0;
    return S_ISDIR(info.st_mode) ? EISDIR : ERROR_ACCESS_DENIED;
}

// A stand-in's name may have come to name something else since it was attached:
// that is not the stand-in, whatever it is.
bool IsNot(const struct stat& info, const FileId* only) {
    return only != nullptr && !(S_ISREG(info.st_mode) && FileId{info.st_dev, info.st_ino} == *only);
}

// An O_PATH descriptor names the node without opening it: no driver sees it.
DWORD Look(const std::string& path, bool device, const FileId* only, sys::UniqueFd& node,
           struct stat& info) {
    if (DWORD error = sys::Open(path, O_PATH, node); error != 0)
        return error;
    if (DWORD error = sys::FStat(node.Get(), info); error != 0)
        return error;
    if (IsNot(info, only))
        return ERROR_FILE_NOT_FOUND;
    return KindRefusal(info, device);
}

// What keeps a regular file from being written whoever runs Kolm: root may write
// a file without write permission, but no one means it to be.
DWORD FileWriteRefusal(int node, const struct stat& info, DWORD& refusal) {
    refusal = 0;
    bool pinned = false;
    struct statvfs mount {};
    if (DWORD error = sys::IsImmutableOrAppendOnly(node, pinned); error != 0)
        return error;
    if (DWORD error = sys::FStatVfs(node, mount); error != 0)
        return error;
    if ((info.st_mode & 0222) == 0)
        refusal = ERROR_ACCESS_DENIED;
    else if (pinned)
        refusal = EPERM;
    else if (mount.f_flag & ST_RDONLY)
        refusal = ERROR_WRITE_PROTECT;
    return 0;
}

bool MayReadInstead(int access, DWORD error) {
    return access == O_RDWR && (error == EROFS || error == EACCES || error == EPERM);
}

DWORD OpenLooked(const std::string& path, int access, int flags, bool device, const FileId* only,
                 OpenedNode& node) {
    sys::UniqueFd look;
    if (DWORD error = Look(path, device, only, look, node.info); error != 0)
        return error;
    node.writeRefusal = access == O_RDONLY ? ERROR_ACCESS_DENIED : 0;
    if (node.writeRefusal == 0 && S_ISREG(node.info.st_mode)) {
        if (DWORD error = FileWriteRefusal(look.Get(), node.info, node.writeRefusal); error != 0)
            return error;
    }
    // Opening a disk for writing and closing it makes udev probe it again: a device
    // is opened for writing only when it is written.
    node.writeLater = node.writeRefusal == 0 && access == O_RDWR && S_ISBLK(node.info.st_mode);
    if (node.writeRefusal == 0 && !node.writeLater) {
        DWORD error = ReopenNode(look.Get(), access | flags, node.fd);
        if (!MayReadInstead(access, error))
            return error;
        node.writeRefusal = error == EROFS ? ERROR_WRITE_PROTECT : error;
    }
    if (access == O_WRONLY)
        return node.writeRefusal;
    DWORD error = sys::Reopen(look.Get(), O_RDONLY | flags, node.fd);
    node.deferred = BrokerOpens(error, node.info);
    if (node.deferred)
        node.fd = std::move(look);
    return node.deferred ? 0 : error;
}

} // namespace

DWORD OpenNode(const std::string& path, int access, int flags, const FileId* only,
               OpenedNode& node) {
    return OpenLooked(path, access, flags, only == nullptr, only, node);
}

// A name that appears or goes between the look and the open is looked at again.
DWORD CreateNode(const std::string& path, int flags, OpenedNode& node) {
    DWORD error = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        error = sys::Stat(path, node.info);
        if (error == ENOENT) {
            error = sys::Open(path, O_WRONLY | O_CREAT | O_EXCL | flags, node.fd);
            if (error == EEXIST)
                continue;
            node.created = error == 0;
            return error == 0 ? sys::FStat(node.fd.Get(), node.info) : error;
        }
        if (error == 0)
            error = KindRefusal(node.info, false);
        if (error == 0)
            error = OpenLooked(path, O_WRONLY, flags, false, nullptr, node);
        if (error != ENOENT)
            return error;
    }
    return error;
}

} // namespace kernel
