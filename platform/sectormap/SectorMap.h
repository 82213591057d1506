#pragma once
// What each sector of a disk belongs to: the partition table's own sectors, the
// partitions, and inside a partition whose file system The Sleuth Kit reads, the
// file system's structures, each file's runs and the free space. Built once by
// BuildSectorMap, then asked sector by sector with a binary search.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sectormap {

// Reads count whole sectors from sector first on; false when the read failed or the
// build is to stop.
using SectorReader =
    std::function<bool(std::uint64_t first, std::uint32_t count, unsigned char* buffer)>;

struct Disk {
    SectorReader read;
    std::uint32_t sectorSize = 512;
    std::uint64_t sectorCount = 0;
    // Asked between files: true ends the build early.
    std::function<bool()> stopped = [] { return false; };
};

enum class TablePart {
    None,
    Mbr,
    ExtendedTable,
    GptHeader,
    GptEntries,
    GptBackupHeader,
    GptBackupEntries
};

enum class OwnerKind : std::uint8_t {
    File,
    BootSector,
    BackupBootSector,
    FsInfo,
    Fat,
    RootDirectory
};

// One claim on a sector: a structure of the file system or a file (its path from
// the root, in UTF-8, and where in the file the sector starts).
struct Owner {
    OwnerKind kind = OwnerKind::File;
    std::string path;
    unsigned number = 0; // of a FAT
    std::uint64_t byte = 0;
    std::uint64_t size = 0;
};

struct Volume {
    enum class State { Pending, Indexed, Unreadable };
    // The partition's number as the kernel counts them; 0 for a file system that
    // fills the disk without a partition table.
    unsigned number = 0;
    std::uint64_t first = 0;
    std::uint64_t count = 0;
    State state = State::Pending;
    std::string kind; // "FAT32", "ext4", ... once indexed
    std::string label;
};

struct Place {
    TablePart table = TablePart::None;
    const Volume* volume = nullptr;
    std::vector<Owner> owners;
    bool free = false;
};

class SectorMap {
public:
    explicit SectorMap(std::uint32_t sectorSize) : m_sectorSize(sectorSize) {}

    Place Find(std::uint64_t sector) const;
    // Memory the index holds, for the figures of the benchmark.
    std::size_t Bytes() const;
    const std::vector<Volume>& Volumes() const { return m_volumes; }

    void AddTablePart(std::uint64_t first, std::uint64_t count, TablePart part);
    // A partition whose file system is yet to be indexed.
    void AddVolume(unsigned number, std::uint64_t first, std::uint64_t count);
    Volume& VolumeAt(std::size_t index) { return m_volumes[index]; }
    // An owner's path is its parent's followed by "/" and its name; kNoParent
    // starts at the root.
    static constexpr std::uint32_t kNoParent = UINT32_MAX;
    std::uint32_t AddOwner(OwnerKind kind, std::uint32_t parent, const std::string& name,
                           std::uint64_t size, unsigned number = 0);
    void AddRun(std::uint64_t first, std::uint64_t count, std::uint32_t owner, std::uint64_t byte);
    void AddFree(std::uint64_t first, std::uint64_t count);
    // Sorts what was added; Find needs it.
    void Seal();

private:
    struct Range {
        std::uint64_t first;
        std::uint64_t count;
        TablePart part;
    };
    struct OwnerEntry {
        std::uint32_t parent;
        std::uint32_t name; // offset into m_names, zero-terminated there
        std::uint64_t size;
        OwnerKind kind;
        std::uint8_t number;
    };
    // 24 bytes a run: the sectors, whose they are and the file's byte at the first.
    struct Run {
        std::uint64_t first;
        std::uint64_t byte;
        std::uint32_t count;
        std::uint32_t owner;
    };
    struct Span {
        std::uint64_t first;
        std::uint64_t count;
    };

    std::string PathOf(std::uint32_t owner) const;
    void AddOwnersAt(std::uint64_t sector, Place& place) const;
    bool IsFree(std::uint64_t sector) const;

    std::vector<Range> m_tables;
    std::vector<Volume> m_volumes;
    std::vector<OwnerEntry> m_owners;
    std::string m_names;
    std::vector<Run> m_runs;
    // The furthest end of any run up to each index: overlapping runs are walked
    // back from the last run that starts at or before a sector while this passes it.
    std::vector<std::uint64_t> m_reach;
    std::vector<Span> m_free;
    std::uint32_t m_sectorSize;
};

using Publish = std::function<void(std::shared_ptr<const SectorMap>)>;

// Reads the disk through disk.read only. Publishes what the partition tables say
// first, then the whole index; a file system that cannot be read is published as
// Unreadable, never an error.
void BuildSectorMap(const Disk& disk, const Publish& publish);

} // namespace sectormap
