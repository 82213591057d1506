#include "platform/kernel/LoopBacking.h"
#include "platform/kernel/DeviceNames.h"
#include "platform/kernel/MountTable.h"
#include "platform/kernel/Sysfs.h"
#include "platform/kernel/SystemCalls.h"

#include <vector>

namespace kernel {

bool BacksLoopDevice(const std::string& root, const struct stat& file) {
    const std::string sysBlock = BelowRoot(root, "/sys/block");
    std::vector<std::string> names;
    sys::ListDirectory(sysBlock, names); // no sysfs: no loop devices
    for (const std::string& name : names) {
        if (KindOfName(name) != DeviceKind::Loop)
            continue;
        // Empty for a free loop device; "... (deleted)" names no file that is there.
        std::string backing = ReadSysfsText(sysBlock + "/" + name + "/loop/backing_file");
        struct stat info {};
        if (!backing.empty() && sys::Stat(BelowRoot(root, backing), info) == 0 &&
            info.st_dev == file.st_dev && info.st_ino == file.st_ino)
            return true;
    }
    return false;
}

} // namespace kernel
