#include "platform/kernel/DeviceNamespace.h"
#include "platform/kernel/DeviceNames.h"
#include "platform/kernel/MountTable.h"
#include "platform/kernel/Sysfs.h"
#include "platform/kernel/SystemCalls.h"

#include <algorithm>

namespace kernel {
namespace {

struct Partition {
    std::string name;
    ULONGLONG number = 0;
    ULONGLONG start = 0; // in 512-byte units, as sysfs counts
};

struct Disk {
    std::string name;
    bool removable = false;
    std::vector<Partition> partitions;
};

struct BlockNames {
    std::vector<std::string> disks, floppies, opticals;
};

// A loop device counts once something is attached to it.
bool IsAttachedLoop(const std::string& folder) {
    return ReadSysfsNumber(folder + "/size", 0) > 0 || sys::Exists(folder + "/loop/backing_file");
}

BlockNames ListBlockNames(const std::string& sysBlock) {
    std::vector<std::string> names;
    sys::ListDirectory(sysBlock, names); // no sysfs: a machine without disks
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
    BlockNames found;
    for (const std::string& name : names) {
        switch (KindOfName(name)) {
        case DeviceKind::Disk:
            found.disks.push_back(name);
            break;
        case DeviceKind::Loop:
            if (IsAttachedLoop(sysBlock + "/" + name))
                found.disks.push_back(name);
            break;
        case DeviceKind::Floppy:
            found.floppies.push_back(name);
            break;
        case DeviceKind::Optical:
            found.opticals.push_back(name);
            break;
        case DeviceKind::Other:
            break;
        }
    }
    return found;
}

// Removable as a user means it: the kernel's flag (USB sticks, most card readers),
// or an SD card in a built-in slot, which the kernel does not flag; an eMMC
// ("MMC") is system storage and stays fixed.
bool IsRemovable(const std::string& folder, const std::string& name) {
    if (ReadSysfsNumber(folder + "/removable", 0) == 1)
        return true;
    return name.rfind("mmcblk", 0) == 0 && ReadSysfsText(folder + "/device/type") == "SD";
}

Disk ReadDisk(const std::string& sysBlock, const std::string& name) {
    Disk disk{name, IsRemovable(sysBlock + "/" + name, name), {}};
    std::vector<std::string> entries;
    sys::ListDirectory(sysBlock + "/" + name, entries);
    for (const std::string& entry : entries) {
        std::string folder = sysBlock + "/" + name + "/" + entry;
        if (!sys::Exists(folder + "/partition"))
            continue;
        disk.partitions.push_back({entry, ReadSysfsNumber(folder + "/partition", 0),
                                   ReadSysfsNumber(folder + "/start", 0)});
    }
    std::sort(disk.partitions.begin(), disk.partitions.end(),
              [](const Partition& a, const Partition& b) { return a.number < b.number; });
    return disk;
}

class Builder {
public:
    explicit Builder(std::string root) : m_root(std::move(root)) {}

    void AddDisk(const Disk& disk) {
        DWORD number = static_cast<DWORD>(m_space.drives.size());
        UINT type = disk.removable ? DRIVE_REMOVABLE : DRIVE_FIXED;
        DeviceTarget whole = Target(disk.name, type, disk.removable);
        whole.identity.diskNumber = number;
        for (const Partition& partition : disk.partitions) {
            whole.identity.mountNames.push_back(partition.name);
            DeviceTarget volume = Target(partition.name, type, disk.removable);
            volume.identity.diskNumber = number;
            volume.identity.startingOffset = partition.start * 512;
            AddLetter(volume);
        }
        if (disk.partitions.empty())
            AddLetter(whole);
        m_space.drives.push_back(std::move(whole));
    }

    void AddStandIn(const StandIn& standIn) {
        DeviceTarget target{standIn.path, DRIVE_REMOVABLE, {}, true};
        target.identity.diskNumber = static_cast<DWORD>(m_space.drives.size());
        target.identity.root = m_root;
        target.identity.standInFile = standIn.file;
        AddLetter(target);
        m_space.drives.push_back(std::move(target));
    }

    void AddFloppy(const std::string& name) {
        if (m_nextLetter < 2)
            m_space.letters[m_nextLetter++] = Target(name, DRIVE_REMOVABLE, true);
    }

    void AddOptical(const std::string& name) { AddLetter(Target(name, DRIVE_CDROM, true)); }

    // Disk letters begin at C: whether or not there are floppies.
    void StartDiskLetters() { m_nextLetter = 2; }

    DeviceNamespace Finish() { return std::move(m_space); }

private:
    DeviceTarget Target(const std::string& name, UINT type, bool removable) const {
        DeviceTarget target{BelowRoot(m_root, "/dev/" + name), type, {}};
        target.identity.removable = removable;
        target.identity.mountNames = {name};
        target.identity.root = m_root;
        return target;
    }

    void AddLetter(const DeviceTarget& target) {
        if (m_nextLetter < m_space.letters.size())
            m_space.letters[m_nextLetter++] = target;
    }

    std::string m_root;
    DeviceNamespace m_space;
    std::size_t m_nextLetter = 0;
};

} // namespace

DeviceNamespace ScanDevices(const std::string& root, const std::vector<StandIn>& standIns) {
    const std::string sysBlock = BelowRoot(root, "/sys/block");
    BlockNames names = ListBlockNames(sysBlock);
    Builder builder(root);
    for (const std::string& name : names.floppies)
        builder.AddFloppy(name);
    builder.StartDiskLetters();
    for (const std::string& name : names.disks)
        builder.AddDisk(ReadDisk(sysBlock, name));
    for (const StandIn& standIn : standIns)
        builder.AddStandIn(standIn);
    for (const std::string& name : names.opticals)
        builder.AddOptical(name);
    return builder.Finish();
}

} // namespace kernel
