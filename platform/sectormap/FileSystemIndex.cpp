#include "platform/sectormap/Steps.h"
#include "platform/sectormap/TskImage.h"

#include <array>
#include <memory>
#include <string_view>
#include <unordered_map>

namespace sectormap {

namespace {

struct FileSystemCloser {
    void operator()(TSK_FS_INFO* fs) const { tsk_fs_close(fs); }
};
struct FileCloser {
    void operator()(TSK_FS_FILE* file) const { tsk_fs_file_close(file); }
};

// The kind as the file system's own documents spell it.
std::string KindName(TSK_FS_TYPE_ENUM type) {
    switch (type) {
    case TSK_FS_TYPE_FAT12:
        return "FAT12";
    case TSK_FS_TYPE_FAT16:
        return "FAT16";
    case TSK_FS_TYPE_FAT32:
        return "FAT32";
    case TSK_FS_TYPE_EXFAT:
        return "exFAT";
    case TSK_FS_TYPE_NTFS:
        return "NTFS";
    case TSK_FS_TYPE_ISO9660:
        return "ISO 9660";
    case TSK_FS_TYPE_HFS:
        return "HFS+";
    default:
        return tsk_fs_type_toname(type);
    }
}

std::string Trimmed(const unsigned char* bytes, std::size_t length) {
    std::string text(reinterpret_cast<const char*>(bytes), length);
    text.erase(text.find_last_not_of(std::string_view(" \0", 2)) + 1);
    return text;
}

class VolumeIndex {
public:
    VolumeIndex(TSK_IMG_INFO* image, const Disk& disk, TSK_FS_INFO* fs, SectorMap& map)
        : m_image(image), m_disk(disk), m_fs(fs), m_map(map),
          m_volumeFirst(static_cast<std::uint64_t>(fs->offset) / disk.sectorSize) {}

    std::string Label() const;
    void AddBootStructures();
    void AddRootDirectory();
    void AddFiles();
    void AddFreeSpace();

private:
    std::uint64_t SectorOfBlock(TSK_DADDR_T block) const {
        return (static_cast<std::uint64_t>(m_fs->offset) + block * m_fs->block_size) /
               m_disk.sectorSize;
    }
    std::uint64_t SectorsOfBlocks(TSK_DADDR_T blocks) const {
        return blocks * m_fs->block_size / m_disk.sectorSize;
    }
    bool ReadVolume(std::uint64_t offset, unsigned char* buffer, std::size_t length) const {
        return ReadBytes(m_image, static_cast<std::uint64_t>(m_fs->offset) + offset, buffer,
                         length);
    }
    void AddRuns(TSK_FS_FILE* file, std::uint32_t owner);
    static TSK_WALK_RET_ENUM OnName(TSK_FS_FILE* file, const char* path, void* self);
    TSK_WALK_RET_ENUM AddName(TSK_FS_FILE* file, const char* path);
    static TSK_WALK_RET_ENUM OnFreeBlock(const TSK_FS_BLOCK* block, void* self);

    TSK_IMG_INFO* m_image;
    const Disk& m_disk;
    TSK_FS_INFO* m_fs;
    SectorMap& m_map;
    std::uint64_t m_volumeFirst;
    // Each directory's owner by its path as the walk gives it, "a/b/".
    std::unordered_map<std::string, std::uint32_t> m_directories;
};

// FAT keeps the label in its boot sector, ext2/3/4 in the superblock; the others'
// labels are not looked for.
std::string VolumeIndex::Label() const {
    std::array<unsigned char, 512> bytes{};
    if (TSK_FS_TYPE_ISFAT(m_fs->ftype) && m_fs->ftype != TSK_FS_TYPE_EXFAT) {
        const std::size_t at = m_fs->ftype == TSK_FS_TYPE_FAT32 ? 71 : 43;
        std::string label =
            ReadVolume(0, bytes.data(), bytes.size()) ? Trimmed(&bytes[at], 11) : "";
        return label == "NO NAME" ? "" : label;
    }
    if (TSK_FS_TYPE_ISEXT(m_fs->ftype) && ReadVolume(1024, bytes.data(), bytes.size()))
        return Trimmed(&bytes[120], 16);
    return "";
}

// FAT32 names its FSInfo sector and its boot sector's copy in the boot sector.
void VolumeIndex::AddBootStructures() {
    if (m_fs->ftype != TSK_FS_TYPE_FAT32)
        return;
    std::array<unsigned char, 512> boot{};
    if (!ReadVolume(0, boot.data(), boot.size()))
        return;
    const std::uint64_t perSector = LittleEndian(&boot[11], 2) / m_disk.sectorSize;
    const std::uint64_t fsInfo = LittleEndian(&boot[48], 2);
    const std::uint64_t backup = LittleEndian(&boot[50], 2);
    if (fsInfo != 0 && fsInfo != 0xFFFF)
        m_map.AddRun(m_volumeFirst + fsInfo * perSector, perSector,
                     m_map.AddOwner(OwnerKind::FsInfo, SectorMap::kNoParent, "", 0), 0);
    if (backup != 0 && backup != 0xFFFF)
        m_map.AddRun(m_volumeFirst + backup * perSector, perSector,
                     m_map.AddOwner(OwnerKind::BackupBootSector, SectorMap::kNoParent, "", 0), 0);
}

void VolumeIndex::AddRootDirectory() {
    std::unique_ptr<TSK_FS_FILE, FileCloser> root(
        tsk_fs_file_open_meta(m_fs, nullptr, m_fs->root_inum));
    if (root && root->meta != nullptr)
        AddRuns(root.get(), m_map.AddOwner(OwnerKind::RootDirectory, SectorMap::kNoParent, "",
                                           static_cast<std::uint64_t>(root->meta->size)));
}

void VolumeIndex::AddRuns(TSK_FS_FILE* file, std::uint32_t owner) {
    const int attributes = tsk_fs_file_attr_getsize(file);
    for (int i = 0; i < attributes; ++i) {
        const TSK_FS_ATTR* attribute = tsk_fs_file_attr_get_idx(file, i);
        if (attribute == nullptr || !(attribute->flags & TSK_FS_ATTR_NONRES))
            continue;
        for (const TSK_FS_ATTR_RUN* run = attribute->nrd.run; run != nullptr; run = run->next) {
            if (run->flags & (TSK_FS_ATTR_RUN_FLAG_FILLER | TSK_FS_ATTR_RUN_FLAG_SPARSE))
                continue;
            m_map.AddRun(SectorOfBlock(run->addr), SectorsOfBlocks(run->len), owner,
                         run->offset * m_fs->block_size);
        }
    }
}

void VolumeIndex::AddFiles() {
    constexpr auto kFlags = static_cast<TSK_FS_DIR_WALK_FLAG_ENUM>(
        TSK_FS_DIR_WALK_FLAG_ALLOC | TSK_FS_DIR_WALK_FLAG_RECURSE | TSK_FS_DIR_WALK_FLAG_NOORPHAN);
    tsk_fs_dir_walk(m_fs, m_fs->root_inum, kFlags, OnName, this);
    m_directories.clear();
}

TSK_WALK_RET_ENUM VolumeIndex::OnName(TSK_FS_FILE* file, const char* path, void* self) {
    return static_cast<VolumeIndex*>(self)->AddName(file, path);
}

// The library's own names for FAT's structures, which it lists as files of the root.
TSK_WALK_RET_ENUM VolumeIndex::AddName(TSK_FS_FILE* file, const char* path) {
    if (m_disk.stopped())
        return TSK_WALK_STOP;
    const std::string_view name = file->name->name;
    if (file->meta == nullptr || name == "." || name == "..")
        return TSK_WALK_CONT;
    const auto size = static_cast<std::uint64_t>(file->meta->size);
    std::uint32_t owner = 0;
    if (*path == '\0' && file->meta->type == TSK_FS_META_TYPE_VIRT && name == "$MBR") {
        owner = m_map.AddOwner(OwnerKind::BootSector, SectorMap::kNoParent, "", size);
    } else if (*path == '\0' && file->meta->type == TSK_FS_META_TYPE_VIRT &&
               name.starts_with("$FAT")) {
        owner = m_map.AddOwner(OwnerKind::Fat, SectorMap::kNoParent, "", size,
                               static_cast<unsigned>(name[4] - '0'));
    } else {
        auto parent = m_directories.find(path);
        owner = m_map.AddOwner(
            OwnerKind::File, parent == m_directories.end() ? SectorMap::kNoParent : parent->second,
            std::string(name), size);
        if (file->meta->type == TSK_FS_META_TYPE_DIR)
            m_directories.emplace(std::string(path).append(name).append("/"), owner);
    }
    AddRuns(file, owner);
    return TSK_WALK_CONT;
}

void VolumeIndex::AddFreeSpace() {
    constexpr auto kFlags = static_cast<TSK_FS_BLOCK_WALK_FLAG_ENUM>(
        TSK_FS_BLOCK_WALK_FLAG_UNALLOC | TSK_FS_BLOCK_WALK_FLAG_AONLY);
    tsk_fs_block_walk(m_fs, m_fs->first_block, m_fs->last_block, kFlags, OnFreeBlock, this);
}

TSK_WALK_RET_ENUM VolumeIndex::OnFreeBlock(const TSK_FS_BLOCK* block, void* self) {
    auto& index = *static_cast<VolumeIndex*>(self);
    index.m_map.AddFree(index.SectorOfBlock(block->addr), index.SectorsOfBlocks(1));
    return index.m_disk.stopped() ? TSK_WALK_STOP : TSK_WALK_CONT;
}

} // namespace

void IndexVolume(TSK_IMG_INFO* image, const Disk& disk, Volume& volume, SectorMap& map) {
    std::unique_ptr<TSK_FS_INFO, FileSystemCloser> fs(tsk_fs_open_img(
        image, static_cast<TSK_OFF_T>(volume.first * disk.sectorSize), TSK_FS_TYPE_DETECT));
    if (!fs) {
        tsk_error_reset();
        volume.state = Volume::State::Unreadable;
        return;
    }
    VolumeIndex index(image, disk, fs.get(), map);
    volume.kind = KindName(fs->ftype);
    volume.label = index.Label();
    index.AddBootStructures();
    index.AddRootDirectory();
    index.AddFiles();
    index.AddFreeSpace();
    tsk_error_reset();
    volume.state = Volume::State::Indexed;
}

} // namespace sectormap
