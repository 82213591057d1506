#include "platform/kernel/HandleTable.h"
#include "platform/kernel/Kernel.h"
#include "platform/text/Cp932.h"

#include <optional>
#include <string>

namespace {

using kernel::FileHandle;

BOOL Fail(DWORD code) {
    SetLastError(code);
    return FALSE;
}

std::shared_ptr<FileHandle> FileOf(HANDLE file) {
    auto found = kernel::FindHandleOf<FileHandle>(file);
    if (!found)
        SetLastError(ERROR_INVALID_HANDLE);
    return found;
}

// An unbuffered handle moves whole sectors at sector offsets, nothing else.
bool FitsUnbuffered(const FileHandle& file, ULONGLONG offset, DWORD count) {
    if (!(file.flags & FILE_FLAG_NO_BUFFERING))
        return true;
    DWORD unit = file.object->SectorSize();
    return unit != 0 && count % unit == 0 && offset % unit == 0;
}

// A transfer at the file pointer moves it on; one at an OVERLAPPED's offset leaves
// it alone.
template <typename Transfer>
BOOL Move(HANDLE handle, DWORD count, DWORD* done, LPVOID overlapped, Transfer transfer) {
    DWORD moved = 0;
    if (done != nullptr)
        *done = 0;
    auto file = FileOf(handle);
    if (!file)
        return FALSE;
    const auto* at = static_cast<const OVERLAPPED*>(overlapped);
    const ULONGLONG offset = at == nullptr ? static_cast<ULONGLONG>(file->position)
                                           : ULONGLONG{at->OffsetHigh} << 32 | at->Offset;
    if (!FitsUnbuffered(*file, offset, count))
        return Fail(ERROR_INVALID_PARAMETER);
    if (DWORD error = transfer(*file->object, offset, moved); error != 0)
        return Fail(error);
    if (at == nullptr)
        file->position += moved;
    if (done != nullptr)
        *done = moved;
    return TRUE;
}

// The system names files in code page 932, this machine in UTF-8. Bytes that are
// no character of the code page refuse the name rather than make it another one.
std::optional<std::string> MachineName(LPCSTR name) {
    std::optional<std::string> converted = text::ToUtf8Exactly(name == nullptr ? "" : name);
    if (!converted)
        SetLastError(ERROR_INVALID_NAME);
    return converted;
}

} // namespace

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPVOID, DWORD disposition, DWORD flags,
                   HANDLE) {
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::optional<std::string> name = MachineName(path);
    if (!name)
        return INVALID_HANDLE_VALUE;
    kernel::OpenRequest request{*name, access, share, disposition, flags};
    // A device is opened, never created or replaced: a creation that names one
    // would write over it.
    if (disposition == CREATE_ALWAYS && kernel::IsDevicePath(request.path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    auto file = std::make_shared<FileHandle>();
    file->flags = flags;
    DWORD error = kernel::IsDevicePath(request.path)
                      ? kernel::CurrentMachine().OpenDevice(request, file->object)
                      : kernel::OpenPlainFile(request, file->object);
    if (error != 0 || !file->object) {
        SetLastError(error != 0 ? error : ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(0);
    return kernel::AddHandle(std::move(file));
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD count, DWORD* read, LPVOID overlapped) {
    return Move(handle, count, read, overlapped,
                [&](kernel::OpenObject& object, ULONGLONG offset, DWORD& moved) {
                    return object.Read(offset, buffer, count, moved);
                });
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD count, DWORD* written, LPVOID overlapped) {
    return Move(handle, count, written, overlapped,
                [&](kernel::OpenObject& object, ULONGLONG offset, DWORD& moved) {
                    return object.Write(offset, buffer, count, moved);
                });
}

BOOL SetFilePointerEx(HANDLE handle, LARGE_INTEGER distance, LARGE_INTEGER* newPosition,
                      DWORD method) {
    auto file = FileOf(handle);
    if (!file)
        return FALSE;
    LONGLONG base = 0;
    if (method == FILE_CURRENT) {
        base = file->position;
    } else if (method == FILE_END) {
        if (DWORD error = file->object->Size(base); error != 0)
            return Fail(error);
    } else if (method != FILE_BEGIN) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    // Positions are unsigned on the way to the file; a negative result is refused.
    ULONGLONG target = static_cast<ULONGLONG>(base) + static_cast<ULONGLONG>(distance.QuadPart);
    if (static_cast<LONGLONG>(target) < 0)
        return Fail(ERROR_INVALID_PARAMETER);
    file->position = static_cast<LONGLONG>(target);
    if (newPosition != nullptr)
        newPosition->QuadPart = file->position;
    return TRUE;
}

BOOL GetFileSizeEx(HANDLE handle, LARGE_INTEGER* size) {
    auto file = FileOf(handle);
    if (!file)
        return FALSE;
    LONGLONG bytes = 0;
    if (DWORD error = file->object->Size(bytes); error != 0)
        return Fail(error);
    if (size != nullptr)
        size->QuadPart = bytes;
    return TRUE;
}

BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                     DWORD* returned, LPVOID) {
    DWORD count = 0;
    if (returned != nullptr)
        *returned = 0;
    auto file = FileOf(device);
    if (!file)
        return FALSE;
    if (DWORD error = file->object->Control(code, in, inSize, out, outSize, count); error != 0)
        return Fail(error);
    if (returned != nullptr)
        *returned = count;
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE handle) {
    auto file = FileOf(handle);
    if (!file)
        return FALSE;
    if (DWORD error = file->object->Flush(); error != 0)
        return Fail(error);
    return TRUE;
}

// The object is closed here, and its result reported, when this was its last
// user; a transfer still running on another thread closes it silently when done.
BOOL CloseHandle(HANDLE handle) {
    std::shared_ptr<kernel::KernelHandle> removed = kernel::RemoveHandle(handle);
    if (!removed)
        return Fail(ERROR_INVALID_HANDLE);
    auto* file = dynamic_cast<FileHandle*>(removed.get());
    if (file != nullptr && removed.use_count() == 1) {
        if (DWORD error = file->object->Close(); error != 0)
            return Fail(error);
    }
    return TRUE;
}

DWORD GetLogicalDrives() {
    return kernel::CurrentMachine().LogicalDrives();
}

UINT GetDriveTypeA(LPCSTR root) {
    return kernel::CurrentMachine().DriveType(root == nullptr ? std::string() : root);
}

BOOL GetDiskFreeSpaceExA(LPCSTR directory, ULARGE_INTEGER* freeToCaller, ULARGE_INTEGER* total,
                         ULARGE_INTEGER* totalFree) {
    ULONGLONG available = 0, all = 0, unused = 0;
    std::optional<std::string> name = MachineName(directory);
    if (!name)
        return FALSE;
    if (DWORD error = kernel::CurrentMachine().FreeSpace(*name, available, all, unused); error != 0)
        return Fail(error);
    if (freeToCaller != nullptr)
        freeToCaller->QuadPart = available;
    if (total != nullptr)
        total->QuadPart = all;
    if (totalFree != nullptr)
        totalFree->QuadPart = unused;
    return TRUE;
}
