#include "platform/kernel/DriveListing.h"
#include "platform/kernel/MessageLanguage.h"
#include "platform/kernel/Sysfs.h"
#include "platform/kernel/SystemCalls.h"

#include <cstdio>
#include <utility>

namespace kernel {
namespace {

// What the listing says, in the desktop's language as the launcher's sentences.
constexpr Message kDisk{"disk %1: %2, %3\n", "ディスク %1: %2, %3\n"};
constexpr Message kDiskNotHere{"disk %1: not on this machine\n",
                               "ディスク %1: このマシンにはありません\n"};
constexpr Message kStandIn{"stand-in file %1, %2", "代わりのファイル %1, %2"};
constexpr Message kSizeUnknown{"size unknown", "大きさ不明"};
constexpr Message kBytes{"%1 bytes", "%1 バイト"};
constexpr Message kMountedOn{", mounted on %1", ", マウント先 %1"};
constexpr Message kRemovable{"removable", "リムーバブル"};
constexpr Message kFixed{"fixed", "固定"};
constexpr Message kWholeDisk{"the whole disk", "ディスク全体"};
constexpr Message kNoSuchDrive{"no such drive\n", "そのドライブはありません\n"};
constexpr Message kOpticalDrive{"optical drive %1\n", "光学ドライブ %1\n"};
constexpr Message kFloppyDrive{"floppy drive %1\n", "フロッピードライブ %1\n"};
constexpr Message kOnDisk{"%1, on disk %2\n", "%1, ディスク %2\n"};
constexpr Message kNoLetterLeft{"(no letter left: not in the drive list)  %1",
                                "(ドライブ文字が残っておらず一覧にありません)  %1"};

std::string BaseName(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

std::string Size(ULONGLONG bytes) {
    const char* const units[] = {"bytes", "KiB", "MiB", "GiB", "TiB", "PiB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(units)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    if (unit == 0)
        return Say(kBytes, {std::to_string(bytes)});
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

const DeviceTarget* VolumeOf(const DeviceNamespace& devices, char letter) {
    if (letter < 'A' || letter > 'Z')
        return nullptr;
    const auto& volume = devices.letters[static_cast<std::size_t>(letter - 'A')];
    return volume ? &*volume : nullptr;
}

} // namespace

DriveListing::DriveListing(std::string root, DeviceNamespace devices)
    : m_root(std::move(root)), m_devices(std::move(devices)) {
    ReadMountTable(m_root, m_mounts); // no mount table: nothing is shown as mounted
}

// The disk's size and model as sysfs gives them; a stand-in file's size from the file.
std::string DriveListing::DiskFacts(const DeviceTarget& disk) const {
    if (disk.standIn) {
        struct stat info {};
        std::string size = sys::Stat(disk.path, info) == 0
                               ? Size(static_cast<ULONGLONG>(info.st_size))
                               : Say(kSizeUnknown);
        return Say(kStandIn, {disk.path, size});
    }
    const std::string sys = BelowRoot(m_root, "/sys/block/" + BaseName(disk.path));
    std::string model = ReadSysfsText(sys + "/device/model");
    if (model.empty())
        model = ReadSysfsText(sys + "/device/name"); // a memory card's name
    std::string facts = disk.path;
    if (!model.empty())
        facts += ", \"" + model + "\"";
    return facts + ", " + Size(ReadSysfsNumber(sys + "/size", 0) * 512);
}

std::string DriveListing::MountPoints(const DeviceTarget& volume) const {
    std::string where;
    for (const MountEntry& mount : m_mounts) {
        if (!volume.identity.mountNames.empty() &&
            mount.deviceName == volume.identity.mountNames.front())
            where += (where.empty() ? "" : ", ") + mount.mountPoint;
    }
    return where.empty() ? "" : Say(kMountedOn, {where});
}

std::string DriveListing::DescribeDisk(DWORD number, const std::string& letters) const {
    if (number >= m_devices.drives.size())
        return Say(kDiskNotHere, {std::to_string(number)});
    const DeviceTarget& disk = m_devices.drives[number];
    std::string text = Say(kDisk, {std::to_string(number), DiskFacts(disk),
                                   Say(disk.driveType == DRIVE_REMOVABLE ? kRemovable : kFixed)});
    for (char letter : letters) {
        const DeviceTarget* volume = VolumeOf(m_devices, letter);
        if (volume == nullptr)
            continue;
        text += std::string("      ") + letter + ":  " +
                (volume->path == disk.path ? Say(kWholeDisk) : volume->path) +
                MountPoints(*volume) + "\n";
    }
    return text;
}

std::string DriveListing::DescribeVolume(char letter) const {
    const DeviceTarget* volume = VolumeOf(m_devices, letter);
    if (volume == nullptr)
        return Say(kNoSuchDrive);
    if (!volume->identity.diskNumber)
        return Say(volume->driveType == DRIVE_CDROM ? kOpticalDrive : kFloppyDrive, {volume->path});
    return Say(kOnDisk,
               {volume->path + MountPoints(*volume), std::to_string(*volume->identity.diskNumber)});
}

std::string DriveListing::DescribeDisksWithoutLetters() const {
    std::vector<bool> lettered(m_devices.drives.size());
    for (const auto& volume : m_devices.letters) {
        if (volume && volume->identity.diskNumber && *volume->identity.diskNumber < lettered.size())
            lettered[*volume->identity.diskNumber] = true;
    }
    std::string text;
    for (DWORD number = 0; number < lettered.size(); ++number) {
        if (!lettered[number])
            text += Say(kNoLetterLeft, {DescribeDisk(number, "")});
    }
    return text;
}

} // namespace kernel
