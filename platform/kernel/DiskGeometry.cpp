#include "platform/kernel/DiskGeometry.h"

#include <cstddef>
#include <cstring>

namespace kernel {

DiskShape StandInShape(ULONGLONG size, DWORD mediaType) {
    constexpr ULONGLONG kFloppy = 1474560;
    DiskShape shape;
    shape.size = size;
    shape.mediaType = mediaType;
    if (size == kFloppy) {
        shape.tracksPerCylinder = 2;
        shape.sectorsPerTrack = 18;
    }
    return shape;
}

DWORD AnswerGeometry(DWORD code, const DiskShape& shape, void* out, DWORD outSize,
                     DWORD& returned) {
    constexpr DWORD kExSize = offsetof(DISK_GEOMETRY_EX, Data);
    const DWORD needed = code == IOCTL_DISK_GET_DRIVE_GEOMETRY_EX ? kExSize : sizeof(DISK_GEOMETRY);
    if (out == nullptr || outSize < needed)
        return ERROR_INSUFFICIENT_BUFFER;
    DISK_GEOMETRY_EX answer{};
    DISK_GEOMETRY& geometry = answer.Geometry;
    geometry.MediaType = shape.mediaType;
    geometry.TracksPerCylinder = shape.tracksPerCylinder;
    geometry.SectorsPerTrack = shape.sectorsPerTrack;
    geometry.BytesPerSector = shape.bytesPerSector;
    ULONGLONG cylinderBytes =
        ULONGLONG{shape.tracksPerCylinder} * shape.sectorsPerTrack * shape.bytesPerSector;
    geometry.Cylinders.QuadPart =
        cylinderBytes == 0 ? 0 : static_cast<LONGLONG>(shape.size / cylinderBytes);
    answer.DiskSize.QuadPart = static_cast<LONGLONG>(shape.size);
    std::memcpy(out, &answer, needed);
    returned = needed;
    return 0;
}

} // namespace kernel
