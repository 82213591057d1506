#pragma once
// The steps of BuildSectorMap, one file each.
#include "platform/sectormap/SectorMap.h"

#include <tsk/libtsk.h>

namespace sectormap {

// The partition tables' sectors and the partitions, each Pending; none when the
// disk has no table the library knows.
void AddPartitionTables(TSK_IMG_INFO* image, SectorMap& map);

// The file system of the volume: its kind and label, its structures, its files'
// runs and its free space; Unreadable when the library cannot read it.
void IndexVolume(TSK_IMG_INFO* image, const Disk& disk, Volume& volume, SectorMap& map);

// Little-endian numbers inside structures read from the disk.
std::uint64_t LittleEndian(const unsigned char* bytes, unsigned length);

} // namespace sectormap
