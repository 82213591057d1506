#pragma once
// The machine's drives under the names the system uses: physical drive numbers and
// drive letters, read from <root>/sys/block with nodes in <root>/dev, followed by
// the image files attached as stand-in disks.
#include "platform/kernel/DeviceIdentity.h"
#include "platform/kernel/Kernel.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kernel {

struct DeviceTarget {
    std::string path; // the device node or the stand-in file
    UINT driveType = DRIVE_NO_ROOT_DIR;
    DeviceIdentity identity;
    bool standIn = false; // an image file attached at start-up
};

struct DeviceNamespace {
    std::vector<DeviceTarget> drives; // "\\.\PHYSICALDRIVE<n>" is drives[n]
    std::array<std::optional<DeviceTarget>, 26> letters;
};

// An image file attached as a disk, and the file it was then.
struct StandIn {
    std::string path;
    FileId file;
};

DeviceNamespace ScanDevices(const std::string& root, const std::vector<StandIn>& standIns);

} // namespace kernel
