#pragma once
// Opening the node a path names, for a file object. The node is looked at before
// anything is opened for writing, and what is then opened is that node, whatever
// its name has come to name meanwhile: a device, FIFO, socket or folder is never
// opened for writing by mistake, and a file no one may write is not written by
// root either.
#include "platform/kernel/DeviceIdentity.h"
#include "platform/kernel/SystemCalls.h"

namespace kernel {

struct OpenedNode {
    sys::UniqueFd fd;
    struct stat info {};
    DWORD writeRefusal = 0;  // 0: writable; else the error every write gets
    bool created = false;    // the file is new, made by this open
    bool writeLater = false; // a device opened for reading, to be opened for writing when written
    // A block device the user may not open while a broker may: fd only names it
    // (O_PATH), and the broker opens it when it is needed.
    bool deferred = false;
};

// An existing regular file or block device. A device asked for with O_RDWR opens
// read-only, with writeLater set. access: O_RDONLY, O_WRONLY or O_RDWR;
// flags: the other status flags. A file that may be read but not written (no write
// permission for anyone, immutable or append-only, on a read-only mount, or
// refused by the kernel) opens read-only when reading was asked for too.
// only: the one regular file the node must be (ERROR_FILE_NOT_FOUND otherwise), or
// null for any regular file or block device.
DWORD OpenNode(const std::string& path, int access, int flags, const FileId* only,
               OpenedNode& node);

// A new file, or an existing regular file that may be written, opened write-only
// and left as it is: emptying it is the caller's. Anything else is refused
// unopened.
DWORD CreateNode(const std::string& path, int flags, OpenedNode& node);

} // namespace kernel
