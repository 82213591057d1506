#include "platform/kernel/LinuxMachine.h"
#include "platform/kernel/FileObject.h"
#include "platform/kernel/Kernel.h"
#include "platform/kernel/MountTable.h"
#include "platform/kernel/SystemCalls.h"

namespace kernel {

LinuxMachine::LinuxMachine(std::string root) : m_root(std::move(root)) {}

LinuxMachine& LinuxMachine::Instance() {
    static LinuxMachine machine;
    return machine;
}

// A path that names no regular file now gets a file no open can match.
void LinuxMachine::AttachStandIn(const std::string& path) {
    struct stat info {};
    FileId file;
    if (sys::Stat(path, info) == 0 && S_ISREG(info.st_mode))
        file = {info.st_dev, info.st_ino};
    std::lock_guard lock(m_mutex);
    m_standIns.push_back({path, file});
    m_devices.reset();
}

void LinuxMachine::Refresh() {
    std::lock_guard lock(m_mutex);
    m_devices.reset();
}

const DeviceNamespace& LinuxMachine::Devices() {
    if (!m_devices)
        m_devices = ScanDevices(m_root, m_standIns);
    return *m_devices;
}

std::vector<std::string> LinuxMachine::PhysicalDrivePaths() {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> paths;
    for (const DeviceTarget& drive : Devices().drives)
        paths.push_back(drive.path);
    return paths;
}

DeviceNamespace LinuxMachine::Snapshot() {
    std::lock_guard lock(m_mutex);
    return Devices();
}

std::optional<DeviceTarget> LinuxMachine::Find(const DeviceName& name) {
    std::lock_guard lock(m_mutex);
    const DeviceNamespace& devices = Devices();
    if (name.kind == DeviceName::Kind::Drive && name.drive < devices.drives.size())
        return devices.drives[name.drive];
    if (name.kind == DeviceName::Kind::Letter)
        return devices.letters[static_cast<std::size_t>(name.letter)];
    return std::nullopt;
}

DWORD LinuxMachine::OpenDevice(const OpenRequest& request, std::unique_ptr<OpenObject>& opened) {
    std::optional<DeviceTarget> target = Find(ParseDevicePath(request.path));
    if (!target)
        return ERROR_FILE_NOT_FOUND;
    // Devices are opened, never created or truncated (CreateFileA refuses to create one).
    return FileObject::Open(target->path, request, false, std::move(target->identity), opened);
}

DWORD LinuxMachine::LogicalDrives() {
    std::lock_guard lock(m_mutex);
    const auto& letters = Devices().letters;
    DWORD mask = 0;
    for (std::size_t i = 0; i < letters.size(); ++i) {
        if (letters[i])
            mask |= DWORD{1} << i;
    }
    return mask;
}

UINT LinuxMachine::DriveType(const std::string& root) {
    std::optional<DeviceTarget> target = Find(ParseDriveRoot(root));
    return target ? target->driveType : DRIVE_NO_ROOT_DIR;
}

// "X:" stands for the file system mounted from that letter's volume; any other
// directory is a path of this machine.
DWORD LinuxMachine::FreeSpace(const std::string& directory, ULONGLONG& freeToCaller,
                              ULONGLONG& total, ULONGLONG& totalFree) {
    freeToCaller = total = totalFree = 0;
    std::string path = directory;
    DeviceName letter = ParseLetterPrefix(directory);
    if (letter.kind == DeviceName::Kind::Letter) {
        std::optional<DeviceTarget> target = Find(letter);
        if (!target || target->identity.mountNames.empty())
            return ERROR_FILE_NOT_FOUND;
        std::vector<MountEntry> mounts;
        if (DWORD error = ReadMountTable(m_root, mounts); error != 0)
            return error;
        path.clear();
        for (const MountEntry& mount : mounts) {
            if (mount.deviceName == target->identity.mountNames.front()) {
                path = BelowRoot(m_root, mount.mountPoint);
                break;
            }
        }
        if (path.empty())
            return ERROR_FILE_NOT_FOUND;
    }
    struct statvfs info {};
    if (DWORD error = sys::StatVfs(path, info); error != 0)
        return error;
    freeToCaller = ULONGLONG{info.f_bavail} * info.f_frsize;
    total = ULONGLONG{info.f_blocks} * info.f_frsize;
    totalFree = ULONGLONG{info.f_bfree} * info.f_frsize;
    return 0;
}

} // namespace kernel
