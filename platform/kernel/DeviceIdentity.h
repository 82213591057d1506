#pragma once
// What the device namespace knows of the thing a device path names.
#include "platform/kernel/Types.h"

#include <optional>
#include <string>
#include <vector>

namespace kernel {

// A file as the kernel knows it, whatever names it.
struct FileId {
    ULONGLONG device = 0;
    ULONGLONG inode = 0;
    bool operator==(const FileId&) const = default;
};

struct DeviceIdentity {
    std::optional<DWORD> diskNumber; // none: a floppy, an optical drive, an image file
    ULONGLONG startingOffset = 0;    // of a partition on its disk
    bool removable = true;
    // Device names that must not appear in the mount table for a dismount: the
    // device itself and, for a whole disk, its partitions.
    std::vector<std::string> mountNames;
    std::string root = "/";
    // A stand-in opens only as the regular file it was when it was attached: a name
    // that has come to name a link to a disk since is refused.
    std::optional<FileId> standInFile;
};

} // namespace kernel
