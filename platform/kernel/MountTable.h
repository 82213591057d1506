#pragma once
// The mount table below a root folder: which block devices are mounted, and where.
#include "platform/kernel/Types.h"

#include <string>
#include <vector>

namespace kernel {

struct MountEntry {
    std::string deviceName; // "sda1": the device node's name, links resolved
    std::string mountPoint; // as the table gives it, below the root
};

// Reads <root>/proc/self/mounts, or <root>/proc/mounts when that is missing.
DWORD ReadMountTable(const std::string& root, std::vector<MountEntry>& entries);

// root joined with an absolute path of the tree below it.
std::string BelowRoot(const std::string& root, const std::string& path);

} // namespace kernel
