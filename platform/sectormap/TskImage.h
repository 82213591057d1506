#pragma once
// The Sleuth Kit's image over a Disk's reader: the library reads at any byte, the
// reader takes whole sectors, so reads go through a sector-aligned buffer.
#include "platform/sectormap/SectorMap.h"

#include <tsk/libtsk.h>

#include <memory>

namespace sectormap {

struct ImageCloser {
    void operator()(TSK_IMG_INFO* image) const { tsk_img_close(image); }
};
using TskImage = std::unique_ptr<TSK_IMG_INFO, ImageCloser>;

// The disk must outlive the image.
TskImage OpenTskImage(const Disk& disk);

// Bytes of the image at offset; false when fewer could be read.
bool ReadBytes(TSK_IMG_INFO* image, std::uint64_t offset, void* buffer, std::size_t length);

} // namespace sectormap
