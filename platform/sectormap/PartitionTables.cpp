#include "platform/sectormap/Steps.h"
#include "platform/sectormap/TskImage.h"

#include <cstring>
#include <memory>
#include <string_view>

namespace sectormap {

namespace {

struct VolumeSystemCloser {
    void operator()(TSK_VS_INFO* system) const { tsk_vs_close(system); }
};

// The library lists a table's own sectors as metadata by description.
TablePart PartOf(const TSK_VS_PART_INFO& part) {
    const std::string_view text = part.desc == nullptr ? "" : part.desc;
    if (text.starts_with("Primary Table") || text.starts_with("Safety Table"))
        return TablePart::Mbr;
    if (text.starts_with("Extended Table"))
        return TablePart::ExtendedTable;
    if (text.starts_with("GPT Header"))
        return TablePart::GptHeader;
    if (text.starts_with("Partition Table"))
        return TablePart::GptEntries;
    return TablePart::None; // an extended partition's whole extent
}

// As the kernel numbers them: primary slots 1 to 4, then each logical partition of
// the chain of extended tables from 5; a GPT's entries from 1.
unsigned NumberOf(const TSK_VS_INFO& system, const TSK_VS_PART_INFO& part) {
    if (system.vstype == TSK_VS_TYPE_DOS && part.table_num > 0)
        return 4u + static_cast<unsigned>(part.table_num);
    return static_cast<unsigned>(part.slot_num) + 1u;
}

// The library knows the primary GPT only; the backup's place is in its header.
void AddGptBackup(TSK_IMG_INFO* image, SectorMap& map, std::uint32_t sectorSize) {
    auto header = std::make_unique<unsigned char[]>(sectorSize);
    if (!ReadBytes(image, sectorSize, header.get(), sectorSize) ||
        std::memcmp(header.get(), "EFI PART", 8) != 0)
        return;
    const std::uint64_t backup = LittleEndian(header.get() + 32, 8);
    if (!ReadBytes(image, backup * sectorSize, header.get(), sectorSize) ||
        std::memcmp(header.get(), "EFI PART", 8) != 0)
        return;
    map.AddTablePart(backup, 1, TablePart::GptBackupHeader);
    const std::uint64_t entries = LittleEndian(header.get() + 72, 8);
    const std::uint64_t bytes =
        LittleEndian(header.get() + 80, 4) * LittleEndian(header.get() + 84, 4);
    map.AddTablePart(entries, (bytes + sectorSize - 1) / sectorSize, TablePart::GptBackupEntries);
}

} // namespace

std::uint64_t LittleEndian(const unsigned char* bytes, unsigned length) {
    std::uint64_t value = 0;
    for (unsigned i = length; i > 0; --i)
        value = value << 8 | bytes[i - 1];
    return value;
}

void AddPartitionTables(TSK_IMG_INFO* image, SectorMap& map) {
    // GPT first, then DOS: the library's own detection tries DOS on a GPT's
    // protective MBR and leaks what that try found.
    std::unique_ptr<TSK_VS_INFO, VolumeSystemCloser> system(tsk_vs_open(image, 0, TSK_VS_TYPE_GPT));
    if (!system)
        system.reset(tsk_vs_open(image, 0, TSK_VS_TYPE_DOS));
    tsk_error_reset();
    if (!system)
        return;
    for (const TSK_VS_PART_INFO* part = system->part_list; part != nullptr; part = part->next) {
        if (part->flags & TSK_VS_PART_FLAG_META) {
            if (TablePart kind = PartOf(*part); kind != TablePart::None)
                map.AddTablePart(part->start, part->len, kind);
        } else if (part->flags & TSK_VS_PART_FLAG_ALLOC) {
            map.AddVolume(NumberOf(*system, *part), part->start, part->len);
        }
    }
    if (system->vstype == TSK_VS_TYPE_GPT)
        AddGptBackup(image, map, image->sector_size);
}

} // namespace sectormap
