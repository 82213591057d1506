#include "platform/sectormap/Steps.h"
#include "platform/sectormap/TskImage.h"

namespace sectormap {

// The volumes are indexed into a copy of the map that only the tables fill, so what
// was published first stays as it was while the copy grows.
void BuildSectorMap(const Disk& disk, const Publish& publish) {
    TskImage image = OpenTskImage(disk);
    if (!image)
        return;
    auto map = std::make_shared<SectorMap>(disk.sectorSize);
    AddPartitionTables(image.get(), *map);
    // A disk without a partition table may be one file system from its first sector.
    if (map->Volumes().empty())
        map->AddVolume(0, 0, disk.sectorCount);
    map->Seal();
    publish(map);
    auto full = std::make_shared<SectorMap>(*map);
    for (std::size_t i = 0; i < full->Volumes().size() && !disk.stopped(); ++i)
        IndexVolume(image.get(), disk, full->VolumeAt(i), *full);
    if (disk.stopped())
        return;
    full->Seal();
    publish(full);
}

} // namespace sectormap
