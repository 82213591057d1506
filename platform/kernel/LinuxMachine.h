#pragma once
// The device namespace on Linux: whole disks, partitions, floppies and optical
// drives read from /sys, the mount table and /dev below one root folder (a test
// may give a fake tree), plus the image files attached as stand-in disks.
#include "platform/kernel/DeviceNamespace.h"
#include "platform/kernel/DevicePath.h"
#include "platform/kernel/Machine.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kernel {

class LinuxMachine : public Machine {
public:
    explicit LinuxMachine(std::string root = "/");
    static LinuxMachine& Instance();

    // Adds an image file as the next physical drive, after the machine's disks. The
    // drive is the file the path names now (through links): only that file is
    // ever opened for it.
    void AttachStandIn(const std::string& path);
    // The drives are read once, at the first question, so that drive numbers and
    // letters cannot move under a running program; this reads them again.
    void Refresh();
    // The device node or stand-in file of each physical drive, by number.
    std::vector<std::string> PhysicalDrivePaths();
    // The drives and letters as they stand, and the root they are read below.
    DeviceNamespace Snapshot();
    const std::string& Root() const { return m_root; }

    DWORD OpenDevice(const OpenRequest& request, std::unique_ptr<OpenObject>& opened) override;
    DWORD LogicalDrives() override;
    UINT DriveType(const std::string& root) override;
    DWORD FreeSpace(const std::string& directory, ULONGLONG& freeToCaller, ULONGLONG& total,
                    ULONGLONG& totalFree) override;

private:
    // The target a parsed name stands for, copied out under the lock.
    std::optional<DeviceTarget> Find(const DeviceName& name);
    const DeviceNamespace& Devices();

    std::mutex m_mutex;
    std::string m_root;
    std::vector<StandIn> m_standIns;
    std::optional<DeviceNamespace> m_devices;
};

} // namespace kernel
