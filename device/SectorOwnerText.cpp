#include "device/SectorOwners.h"
#include "platform/text/Cp932.h"

#include <string>

namespace {

using sectormap::OwnerKind;
using sectormap::TablePart;
using sectormap::Volume;

const char* TableText(TablePart part) {
    switch (part) {
    case TablePart::Mbr:
        return "MBR";
    case TablePart::ExtendedTable:
        return "extended partition table";
    case TablePart::GptHeader:
        return "GPT header";
    case TablePart::GptEntries:
        return "GPT entries";
    case TablePart::GptBackupHeader:
        return "GPT backup header";
    case TablePart::GptBackupEntries:
        return "GPT backup entries";
    case TablePart::None:
        break;
    }
    return "";
}

// "partition 1 (FAT32, label BOOT)"; a file system without a partition table is
// the whole disk's.
std::string VolumeText(const Volume& volume) {
    std::string text =
        volume.number == 0 ? "whole disk" : "partition " + std::to_string(volume.number);
    if (volume.state == Volume::State::Unreadable)
        return text + " (unknown file system)";
    if (volume.state == Volume::State::Pending)
        return text;
    text += " (" + volume.kind;
    if (!volume.label.empty())
        text += ", label " + text::FromUtf8(volume.label);
    return text + ")";
}

std::string OwnerText(const sectormap::Owner& owner) {
    switch (owner.kind) {
    case OwnerKind::BootSector:
        return "boot sector";
    case OwnerKind::BackupBootSector:
        return "backup boot sector";
    case OwnerKind::FsInfo:
        return "FSInfo";
    case OwnerKind::Fat:
        return "FAT " + std::to_string(owner.number);
    case OwnerKind::RootDirectory:
        return "root directory";
    case OwnerKind::File:
        break;
    }
    return text::FromUtf8(owner.path) + ", byte " + std::to_string(owner.byte) + " of " +
           std::to_string(owner.size);
}

} // namespace

CString SectorOwnerText(const sectormap::Place& place) {
    if (place.table != TablePart::None)
        return TableText(place.table);
    if (place.volume == nullptr)
        return "outside every partition";
    std::string text = VolumeText(*place.volume);
    if (place.free)
        return (text + ": free space (not in any file)").c_str();
    // A sector two files claim names both.
    for (std::size_t i = 0; i < place.owners.size(); ++i)
        text += (i == 0 ? ": " : "; ") + OwnerText(place.owners[i]);
    return text.c_str();
}
