#pragma once
// What the entries of the drive list stand for on this machine, written for a
// user who must tell the cards and disks apart before taking one. The entries
// themselves are the drive list's; this says what is behind a disk number or a
// letter.
#include "platform/kernel/DeviceNamespace.h"
#include "platform/kernel/MountTable.h"

#include <string>
#include <vector>

namespace kernel {

class DriveListing {
public:
    // root is the folder /sys, /proc and /dev are read below.
    DriveListing(std::string root, DeviceNamespace devices);

    // "disk <n>: " the disk's device or stand-in file, model, size and kind, then
    // a line for each of the letters with its volume and where it is mounted.
    std::string DescribeDisk(DWORD number, const std::string& letters) const;
    // The volume of a letter on its own: a floppy or optical drive, or a volume and
    // the disk it lies on.
    std::string DescribeVolume(char letter) const;
    // A line for each disk that no letter is left for, so no entry names.
    std::string DescribeDisksWithoutLetters() const;

private:
    std::string DiskFacts(const DeviceTarget& disk) const;
    std::string MountPoints(const DeviceTarget& volume) const;

    std::string m_root;
    DeviceNamespace m_devices;
    std::vector<MountEntry> m_mounts;
};

} // namespace kernel
