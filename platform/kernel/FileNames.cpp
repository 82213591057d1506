// Names of plain files: moving one over another and deleting one.
#include "platform/kernel/FolderOf.h"
#include "platform/kernel/Kernel.h"
#include "platform/kernel/SystemCalls.h"
#include "platform/text/Cp932.h"

#include <fcntl.h>
#include <optional>
#include <string>

namespace {

BOOL Result(DWORD error) {
    SetLastError(error);
    return error == 0 ? TRUE : FALSE;
}

// A name that is no text of the code page is refused rather than made another one.
std::optional<std::string> MachineName(LPCSTR name) {
    return text::ToUtf8Exactly(name == nullptr ? "" : name);
}

// A rename is kept by the folder that holds the new name.
DWORD SyncFolderOf(const std::string& path) {
    kernel::sys::UniqueFd folder;
    if (DWORD error = kernel::sys::Open(kernel::FolderOf(path), O_RDONLY | O_DIRECTORY, folder);
        error != 0)
        return error;
    return kernel::sys::FSync(folder.Get());
}

} // namespace

BOOL MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags) {
    const std::optional<std::string> from = MachineName(existing), to = MachineName(newName);
    if (!from || !to)
        return Result(ERROR_INVALID_NAME);
    if (!(flags & MOVEFILE_REPLACE_EXISTING) && kernel::sys::Exists(*to))
        return Result(ERROR_ALREADY_EXISTS);
    DWORD error = kernel::sys::Rename(*from, *to);
    if (error == 0 && (flags & MOVEFILE_WRITE_THROUGH))
        error = SyncFolderOf(*to);
    return Result(error);
}

BOOL DeleteFileA(LPCSTR path) {
    const std::optional<std::string> name = MachineName(path);
    return Result(name ? kernel::sys::Unlink(*name) : ERROR_INVALID_NAME);
}
