#pragma once
// Reading sysfs attributes: one value per file, ended by a newline.
#include "platform/kernel/Types.h"

#include <string>
#include <sys/types.h>

namespace kernel {

// The attribute as a decimal number; fallback when absent or unreadable.
ULONGLONG ReadSysfsNumber(const std::string& path, ULONGLONG fallback);
// The attribute's text without the blanks and newline around it; empty when absent.
std::string ReadSysfsText(const std::string& path);
// The folder of the block device with this number: /sys/dev/block/<major>:<minor>.
std::string SysfsBlockFolder(dev_t device);

} // namespace kernel
