#include "platform/sectormap/TskImage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace sectormap {

namespace {

// The library's image record comes first, so the library's pointer is ours.
struct CallbackImage {
    TSK_IMG_INFO info;
    const Disk* disk;
};

constexpr std::uint32_t kSectorsPerRead = 128;

ssize_t ReadImage(TSK_IMG_INFO* info, TSK_OFF_T offset, char* buffer, size_t length) {
    const Disk& disk = *reinterpret_cast<CallbackImage*>(info)->disk;
    const std::uint64_t size = disk.sectorCount * disk.sectorSize;
    const auto from = static_cast<std::uint64_t>(offset);
    if (from >= size)
        return 0;
    const std::uint64_t end = std::min<std::uint64_t>(size, from + length);
    std::vector<unsigned char> sectors(std::size_t{kSectorsPerRead} * disk.sectorSize);
    for (std::uint64_t at = from; at < end;) {
        const std::uint64_t first = at / disk.sectorSize;
        const std::uint64_t last = (end - 1) / disk.sectorSize;
        const auto count =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(last - first + 1, kSectorsPerRead));
        if (!disk.read(first, count, sectors.data()))
            return -1;
        const std::uint64_t skip = at - first * disk.sectorSize;
        const std::uint64_t take =
            std::min<std::uint64_t>(std::uint64_t{count} * disk.sectorSize - skip, end - at);
        std::memcpy(buffer + (at - from), sectors.data() + skip, take);
        at += take;
    }
    return static_cast<ssize_t>(end - from);
}

void CloseImage(TSK_IMG_INFO* info) {
    std::free(info);
}

void ImageStat(TSK_IMG_INFO* /*info*/, FILE* /*out*/) {}

} // namespace

TskImage OpenTskImage(const Disk& disk) {
    // calloc, as the library's own images are allocated: the record is a C struct
    // with its read cache inside.
    auto* image = static_cast<CallbackImage*>(std::calloc(1, sizeof(CallbackImage)));
    if (image == nullptr)
        return nullptr;
    image->disk = &disk;
    TSK_IMG_INFO* info =
        tsk_img_open_external(image, static_cast<TSK_OFF_T>(disk.sectorCount * disk.sectorSize),
                              disk.sectorSize, ReadImage, CloseImage, ImageStat);
    if (info == nullptr)
        std::free(image);
    return TskImage(info);
}

bool ReadBytes(TSK_IMG_INFO* image, std::uint64_t offset, void* buffer, std::size_t length) {
    const ssize_t read =
        tsk_img_read(image, static_cast<TSK_OFF_T>(offset), static_cast<char*>(buffer), length);
    return read >= 0 && static_cast<std::size_t>(read) == length;
}

} // namespace sectormap
