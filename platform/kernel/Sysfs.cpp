#include "platform/kernel/Sysfs.h"
#include "platform/kernel/SystemCalls.h"

#include <charconv>
#include <sys/sysmacros.h>

namespace kernel {

ULONGLONG ReadSysfsNumber(const std::string& path, ULONGLONG fallback) {
    std::string text;
    if (sys::ReadSmallFile(path, text) != 0)
        return fallback;
    ULONGLONG value = 0;
    const char* first = text.data();
    auto [end, error] = std::from_chars(first, first + text.size(), value);
    return error == std::errc() && end != first ? value : fallback;
}

std::string ReadSysfsText(const std::string& path) {
    std::string text;
    if (sys::ReadSmallFile(path, text) != 0)
        return {};
    const std::size_t first = text.find_first_not_of(" \t\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\n") + 1 - first);
}

std::string SysfsBlockFolder(dev_t device) {
    return "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
}

} // namespace kernel
