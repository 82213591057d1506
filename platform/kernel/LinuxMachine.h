#pragma once
// The device namespace on Linux: whole disks, partitions, floppies and optical
// drives read from /sys, the mount table and /dev below one root folder (a test
// may give a fake tree), plus the image files attached as stand-in disks.
#include "platform/kernel/Machine.h"

#include <string>
#include <vector>

namespace kernel {

class LinuxMachine : public Machine {
public:
    explicit LinuxMachine(std::string root = "/");
    static LinuxMachine& Instance();

    // Adds an image file as the next physical drive, after the machine's disks.
    void AttachStandIn(const std::string& path);

    DWORD OpenDevice(const OpenRequest& request, std::unique_ptr<OpenObject>& opened) override;
    DWORD LogicalDrives() override;
    UINT DriveType(const std::string& root) override;
    DWORD FreeSpace(const std::string& directory, ULONGLONG& freeToCaller, ULONGLONG& total,
                    ULONGLONG& totalFree) override;

private:
    std::string m_root;
    std::vector<std::string> m_standIns;
};

} // namespace kernel
