#include "platform/kernel/Kernel.h"
#include "platform/kernel/Sysfs.h"

#include <sys/mman.h>

#include <cstdint>
#include <map>
#include <mutex>

namespace {

// How long each mapping handed out is, for its release.
std::mutex mappingsMutex;
std::map<LPVOID, SIZE_T> mappings;

void* MapPages(SIZE_T size) {
    void* pages = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return pages == MAP_FAILED ? nullptr : pages;
}

// A huge page can only back a range aligned to its size: more is mapped than asked
// for, and what lies outside the aligned range is given back at once.
void* MapLargePages(SIZE_T size, SIZE_T large) {
    auto* pages = static_cast<BYTE*>(MapPages(size + large));
    if (pages == nullptr)
        return nullptr;
    const SIZE_T head = (large - reinterpret_cast<std::uintptr_t>(pages) % large) % large;
    if (head != 0)
        munmap(pages, head);
    munmap(pages + head + size, large - head);
    // Without huge pages to spare the kernel gives ordinary ones, as without advice.
    madvise(pages + head, size, MADV_HUGEPAGE);
    return pages + head;
}

} // namespace

SIZE_T GetLargePageMinimum() {
    static const auto size = static_cast<SIZE_T>(
        kernel::ReadSysfsNumber("/sys/kernel/mm/transparent_hugepage/hpage_pmd_size", 0));
    return size;
}

LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD type, DWORD protect) {
    const DWORD kinds = MEM_COMMIT | MEM_RESERVE;
    const SIZE_T large = (type & MEM_LARGE_PAGES) != 0 ? GetLargePageMinimum() : 0;
    const bool largeFits = (type & MEM_LARGE_PAGES) == 0 || (large != 0 && size % large == 0);
    if (address != nullptr || size == 0 || (type & kinds) != kinds || protect != PAGE_READWRITE ||
        !largeFits) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* pages = large != 0 ? MapLargePages(size, large) : MapPages(size);
    if (pages == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::lock_guard lock(mappingsMutex);
    mappings.emplace(pages, size);
    return pages;
}

BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD type) {
    std::unique_lock lock(mappingsMutex);
    const auto found = mappings.find(address);
    if (found == mappings.end() || size != 0 || type != MEM_RELEASE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const SIZE_T length = found->second;
    mappings.erase(found);
    lock.unlock();
    munmap(address, length);
    return TRUE;
}
