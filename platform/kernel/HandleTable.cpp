#include "platform/kernel/HandleTable.h"

#include <map>
#include <mutex>

namespace kernel {
namespace {

struct Table {
    std::mutex mutex;
    std::map<std::uintptr_t, std::shared_ptr<KernelHandle>> entries;
    std::uintptr_t next = 4;
};

Table& TheTable() {
    static Table table;
    return table;
}

} // namespace

HANDLE AddHandle(std::shared_ptr<KernelHandle> object) {
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    // Values step by 4 like the platform's, and never reach the invalid value.
    std::uintptr_t value = table.next;
    table.next += 4;
    table.entries.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelHandle> FindHandle(HANDLE handle) {
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    auto found = table.entries.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == table.entries.end() ? nullptr : found->second;
}

std::shared_ptr<KernelHandle> RemoveHandle(HANDLE handle) {
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    auto found = table.entries.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == table.entries.end())
        return nullptr;
    std::shared_ptr<KernelHandle> removed = std::move(found->second);
    table.entries.erase(found);
    return removed;
}

} // namespace kernel
