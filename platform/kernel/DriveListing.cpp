#include "platform/kernel/DriveListing.h"
#include "platform/kernel/MessageLanguage.h"
#include "platform/kernel/Sysfs.h"
#include "platform/kernel/SystemCalls.h"

#include <cstdio>
#include <utility>

namespace kernel {
namespace {

// The listing's words in English and in Japanese (UTF-8, as the terminal takes
// it): the C library's messages choose, as they do for the launcher's sentences.
struct Words {
    const char* disk;
    const char* notHere;
    const char* standIn;
    const char* sizeUnknown;
    const char* bytes;
    const char* mountedOn;
    const char* removable;
    const char* fixed;
    const char* wholeDisk;
    const char* noSuchDrive;
    const char* opticalDrive;
    const char* floppyDrive;
    const char* onDisk;
    const char* noLetterLeft;
};

constexpr Words kEnglish{"disk ",          ": not on this machine",
                         "stand-in file ", "size unknown",
                         " bytes",         ", mounted on ",
                         "removable",      "fixed",
                         "the whole disk", "no such drive",
                         "optical drive ", "floppy drive ",
                         ", on disk ",     "(no letter left: not in the drive list)  "};
constexpr Words kJapanese{"ディスク ",         ": このマシンにはありません",
                          "代わりのファイル ", "大きさ不明",
                          " バイト",           ", マウント先 ",
                          "リムーバブル",      "固定",
                          "ディスク全体",      "そのドライブはありません",
                          "光学ドライブ ",     "フロッピードライブ ",
                          ", ディスク ",       "(ドライブ文字が残っておらず一覧にありません)  "};

const Words& Wording() {
    return JapaneseMessages() ? kJapanese : kEnglish;
}

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
        return std::to_string(bytes) + Wording().bytes;
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
                               : std::string(Wording().sizeUnknown);
        return Wording().standIn + disk.path + ", " + size;
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
    return where.empty() ? "" : Wording().mountedOn + where;
}

std::string DriveListing::DescribeDisk(DWORD number, const std::string& letters) const {
    if (number >= m_devices.drives.size())
        return Wording().disk + std::to_string(number) + Wording().notHere + "\n";
    const DeviceTarget& disk = m_devices.drives[number];
    std::string text = Wording().disk + std::to_string(number) + ": " + DiskFacts(disk) + ", " +
                       (disk.driveType == DRIVE_REMOVABLE ? Wording().removable : Wording().fixed) +
                       "\n";
    for (char letter : letters) {
        const DeviceTarget* volume = VolumeOf(m_devices, letter);
        if (volume == nullptr)
            continue;
        text += std::string("      ") + letter + ":  " +
                (volume->path == disk.path ? Wording().wholeDisk : volume->path) +
                MountPoints(*volume) + "\n";
    }
    return text;
}

std::string DriveListing::DescribeVolume(char letter) const {
    const DeviceTarget* volume = VolumeOf(m_devices, letter);
    if (volume == nullptr)
        return Wording().noSuchDrive + std::string("\n");
    if (!volume->identity.diskNumber)
        return (volume->driveType == DRIVE_CDROM ? Wording().opticalDrive : Wording().floppyDrive) +
               volume->path + "\n";
    return volume->path + MountPoints(*volume) + Wording().onDisk +
           std::to_string(*volume->identity.diskNumber) + "\n";
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
            text += Wording().noLetterLeft + DescribeDisk(number, "");
    }
    return text;
}

} // namespace kernel
