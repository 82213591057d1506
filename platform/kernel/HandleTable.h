#pragma once
// Handles name kernel objects; a handle value is an index into one process table.
#include "platform/kernel/Machine.h"

#include <memory>

namespace kernel {

class KernelHandle {
public:
    virtual ~KernelHandle() = default;
};

struct FileHandle : KernelHandle {
    std::unique_ptr<OpenObject> object;
    DWORD flags = 0;
    LONGLONG position = 0;
};

HANDLE AddHandle(std::shared_ptr<KernelHandle> object);
std::shared_ptr<KernelHandle> FindHandle(HANDLE handle);
// Takes the handle out of the table and hands back what it named; null when it
// named nothing.
std::shared_ptr<KernelHandle> RemoveHandle(HANDLE handle);

template <typename T> std::shared_ptr<T> FindHandleOf(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(FindHandle(handle));
}

} // namespace kernel
