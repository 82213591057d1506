#pragma once
// What each entry of the drive list stands for on this machine, written for a
// user who must tell the cards and disks apart before taking one.
#include "platform/kernel/DeviceNamespace.h"

#include <string>

namespace kernel {

// One block per entry: the entry as the drive list shows it, then the disk's
// device or stand-in file, model, size and kind, then each letter's volume and
// where it is mounted. root is the folder /sys, /proc and /dev are read below.
std::string DescribeDrives(const std::string& root, const DeviceNamespace& devices);

} // namespace kernel
