#include "platform/kernel/DriveListing.h"
#include "platform/kernel/MountTable.h"
#include "platform/kernel/Sysfs.h"
#include "platform/kernel/SystemCalls.h"

#include <cstdio>
#include <map>

namespace kernel {
namespace {

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
        return std::to_string(bytes) + " bytes";
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

// The disk's size and model as sysfs gives them; a stand-in file's size from the file.
std::string DiskFacts(const std::string& root, const DeviceTarget& disk) {
    if (disk.standIn) {
        struct stat info {};
        std::string size = sys::Stat(disk.path, info) == 0
                               ? Size(static_cast<ULONGLONG>(info.st_size))
                               : std::string("size unknown");
        return "stand-in file " + disk.path + ", " + size;
    }
    const std::string sys = BelowRoot(root, "/sys/block/" + BaseName(disk.path));
    std::string model = ReadSysfsText(sys + "/device/model");
    if (model.empty())
        model = ReadSysfsText(sys + "/device/name"); // a memory card's name
    std::string facts = disk.path;
    if (!model.empty())
        facts += ", \"" + model + "\"";
    return facts + ", " + Size(ReadSysfsNumber(sys + "/size", 0) * 512);
}

std::string VolumeLine(char letter, const DeviceTarget& volume, bool wholeDisk,
                       const std::vector<MountEntry>& mounts) {
    std::string line = std::string("      ") + letter + ":  ";
    line += wholeDisk ? "the whole disk" : volume.path;
    std::string where;
    for (const MountEntry& mount : mounts) {
        if (!volume.identity.mountNames.empty() &&
            mount.deviceName == volume.identity.mountNames.front())
            where += (where.empty() ? "" : ", ") + mount.mountPoint;
    }
    return line + (where.empty() ? "" : ", mounted on " + where) + "\n";
}

std::string Entry(const std::string& number, const std::string& letters) {
    return number + " - (" + letters + ":)";
}

} // namespace

std::string DescribeDrives(const std::string& root, const DeviceNamespace& devices) {
    std::vector<MountEntry> mounts;
    ReadMountTable(root, mounts); // no mount table: nothing is shown as mounted
    std::map<DWORD, std::string> lettersOf;
    for (std::size_t i = 0; i < devices.letters.size(); ++i) {
        const auto& volume = devices.letters[i];
        if (volume && volume->identity.diskNumber)
            lettersOf[*volume->identity.diskNumber] += static_cast<char>('A' + i);
    }
    std::string text;
    for (DWORD number = 0; number < devices.drives.size(); ++number) {
        const DeviceTarget& disk = devices.drives[number];
        char shown[16];
        std::snprintf(shown, sizeof shown, "% 2d", static_cast<int>(number));
        const std::string& letters = lettersOf[number];
        text += letters.empty() ? "(no letter left: not in the drive list)" : Entry(shown, letters);
        text += "  disk " + std::to_string(number) + ": " + DiskFacts(root, disk) + ", " +
                (disk.driveType == DRIVE_REMOVABLE ? "removable" : "fixed") + "\n";
        for (char letter : letters) {
            const DeviceTarget& volume = *devices.letters[static_cast<std::size_t>(letter - 'A')];
            text += VolumeLine(letter, volume, volume.path == disk.path, mounts);
        }
    }
    for (std::size_t i = 0; i < devices.letters.size(); ++i) {
        const auto& volume = devices.letters[i];
        if (!volume || volume->identity.diskNumber)
            continue;
        const char letter = static_cast<char>('A' + i);
        text += Entry(" *", std::string(1, letter)) + "  " +
                (volume->driveType == DRIVE_CDROM ? "optical drive " : "floppy drive ") +
                volume->path + "\n";
    }
    return text;
}

} // namespace kernel
