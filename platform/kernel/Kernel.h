#pragma once
// Kernel services: files, devices, control requests, drive queries, memory, time and the
// thread's last error. Error codes are errno values.
#include "platform/kernel/Types.h"

#include <cerrno>

inline constexpr DWORD GENERIC_READ = 0x80000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;
inline constexpr DWORD FILE_SHARE_READ = 0x1;
inline constexpr DWORD FILE_SHARE_WRITE = 0x2;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000;
inline constexpr DWORD FILE_FLAG_NO_BUFFERING = 0x20000000;
inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
inline constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;
inline constexpr DWORD FILE_BEGIN = 0;
inline constexpr DWORD FILE_CURRENT = 1;
inline constexpr DWORD FILE_END = 2;

inline constexpr DWORD FSCTL_LOCK_VOLUME = 0x90018;
inline constexpr DWORD FSCTL_UNLOCK_VOLUME = 0x9001C;
inline constexpr DWORD FSCTL_DISMOUNT_VOLUME = 0x90020;
inline constexpr DWORD IOCTL_DISK_GET_DRIVE_GEOMETRY_EX = 0x700A0;
inline constexpr DWORD IOCTL_DISK_GET_DRIVE_GEOMETRY = 0x70000;
inline constexpr DWORD IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS = 0x560000;

inline constexpr UINT DRIVE_UNKNOWN = 0;
inline constexpr UINT DRIVE_NO_ROOT_DIR = 1;
inline constexpr UINT DRIVE_REMOVABLE = 2;
inline constexpr UINT DRIVE_FIXED = 3;
inline constexpr UINT DRIVE_REMOTE = 4;
inline constexpr UINT DRIVE_CDROM = 5;

inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = ENOENT;
inline constexpr DWORD ERROR_ALREADY_EXISTS = EEXIST;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = ENOTDIR; // a part of the path is no folder
inline constexpr DWORD ERROR_ACCESS_DENIED = EACCES;
inline constexpr DWORD ERROR_INVALID_HANDLE = EBADF;
inline constexpr DWORD ERROR_INVALID_PARAMETER = EINVAL;
inline constexpr DWORD ERROR_NOT_SUPPORTED = ENOTTY;
inline constexpr DWORD ERROR_BUSY = EBUSY;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = ENOBUFS;
inline constexpr DWORD ERROR_WRITE_PROTECT = EROFS;
inline constexpr DWORD ERROR_DISK_FULL = ENOSPC;
inline constexpr DWORD ERROR_INVALID_NAME = EILSEQ;
// Codes of the platform's own, with no errno of the same meaning, lie above every
// errno value (the kernel's are below 4096).
inline constexpr DWORD ERROR_HANDLE_EOF = 4096 + 38;
// A compressed stream that is corrupt, or that its file ends inside of.
inline constexpr DWORD ERROR_INVALID_DATA = 4096 + 13;
inline constexpr DWORD ERROR_TRUNCATED_DATA = 4096 + 1392;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = ENOMEM;
inline constexpr DWORD ERROR_SEEK = ESPIPE;

inline constexpr DWORD MEM_COMMIT = 0x1000;
inline constexpr DWORD MEM_RESERVE = 0x2000;
inline constexpr DWORD MEM_RELEASE = 0x8000;
inline constexpr DWORD MEM_LARGE_PAGES = 0x20000000;
inline constexpr DWORD PAGE_READWRITE = 0x04;

inline constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x100;
inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x200;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x1000;
inline constexpr DWORD LANG_NEUTRAL_SUBLANG_DEFAULT = 0x400;

struct DISK_GEOMETRY {
    LARGE_INTEGER Cylinders;
    DWORD MediaType;
    DWORD TracksPerCylinder;
    DWORD SectorsPerTrack;
    DWORD BytesPerSector;
};

struct DISK_GEOMETRY_EX {
    DISK_GEOMETRY Geometry;
    LARGE_INTEGER DiskSize;
    BYTE Data[1];
};

struct DISK_EXTENT {
    DWORD DiskNumber;
    LARGE_INTEGER StartingOffset;
    LARGE_INTEGER ExtentLength;
};

struct VOLUME_DISK_EXTENTS {
    DWORD NumberOfDiskExtents;
    DISK_EXTENT Extents[1];
};

static_assert(sizeof(DISK_GEOMETRY) == 24);
static_assert(sizeof(DISK_GEOMETRY_EX) == 40);
static_assert(sizeof(VOLUME_DISK_EXTENTS) == 32);

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPVOID security, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, DWORD* read, LPVOID overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, DWORD* written, LPVOID overlapped);
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition,
                      DWORD method);
BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size);
BOOL FlushFileBuffers(HANDLE file);
BOOL CloseHandle(HANDLE handle);
// Plain files only. Without MOVEFILE_REPLACE_EXISTING an existing new name is
// refused; with MOVEFILE_WRITE_THROUGH the new name is on stable storage when the
// call returns.
BOOL MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags);
BOOL DeleteFileA(LPCSTR path);
BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                     DWORD* returned, LPVOID overlapped);

DWORD GetLogicalDrives();
UINT GetDriveTypeA(LPCSTR root);
BOOL GetDiskFreeSpaceExA(LPCSTR directory, ULARGE_INTEGER* freeToCaller, ULARGE_INTEGER* total,
                         ULARGE_INTEGER* totalFree);

// Zeroed pages of memory, reserved and committed at once. With MEM_LARGE_PAGES the
// size must be a multiple of GetLargePageMinimum(), and the pages are large ones
// where the kernel has them to give (transparent huge pages), ordinary ones where
// not; unlike the platform's, they are not locked in memory.
LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD type, DWORD protect);
// Gives back the whole of what VirtualAlloc returned: size 0, MEM_RELEASE.
BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD type);
// The large page's size, or 0 where the kernel has none.
SIZE_T GetLargePageMinimum();

DWORD GetTickCount();
void GetLocalTime(SYSTEMTIME* time);
void Sleep(DWORD milliseconds);

DWORD GetLastError();
void SetLastError(DWORD code);
// With FORMAT_MESSAGE_ALLOCATE_BUFFER, buffer is really a char** that receives a
// text to be given back with LocalFree.
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD code, DWORD language, LPSTR buffer,
                     DWORD size, void* arguments);
void* LocalFree(void* memory);
