#pragma once
// The disk's shape as the geometry requests report it.
#include "platform/kernel/Kernel.h"

namespace kernel {

struct DiskShape {
    ULONGLONG size = 0;
    DWORD bytesPerSector = 512;
    DWORD tracksPerCylinder = 255;
    DWORD sectorsPerTrack = 63;
    DWORD mediaType = 0;
};

inline constexpr DWORD kRemovableMedia = 11;
inline constexpr DWORD kFixedMedia = 12;

// A file standing in for a disk: 512-byte sectors; a 1.44 MB floppy image gets the
// floppy's shape, anything else the usual 255 heads and 63 sectors per track.
DiskShape StandInShape(ULONGLONG size, DWORD mediaType);

// Answers IOCTL_DISK_GET_DRIVE_GEOMETRY(_EX) into out; cylinders come from the size.
DWORD AnswerGeometry(DWORD code, const DiskShape& shape, void* out, DWORD outSize, DWORD& returned);

} // namespace kernel
