#include "platform/kernel/MountTable.h"
#include "platform/kernel/SystemCalls.h"

#include <sstream>

namespace kernel {
namespace {

// The table writes blanks, tabs, newlines and backslashes as \ooo.
std::string Unescape(const std::string& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        bool octal = field[i] == '\\' && i + 3 < field.size();
        if (octal) {
            int value = 0;
            for (std::size_t k = 1; k <= 3 && octal; ++k) {
                char digit = field[i + k];
                octal = digit >= '0' && digit <= '7';
                value = value * 8 + (digit - '0');
            }
            if (octal) {
                text += static_cast<char>(value & 0xFF);
                i += 3;
                continue;
            }
        }
        text += field[i];
    }
    return text;
}

std::string BaseName(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Mounts name their device by any path to the node (/dev/disk/by-uuid/...); the
// node itself is what counts.
std::string DeviceName(const std::string& root, const std::string& source) {
    std::string resolved;
    if (sys::RealPath(BelowRoot(root, source), resolved) == 0)
        return BaseName(resolved);
    return BaseName(source);
}

} // namespace

std::string BelowRoot(const std::string& root, const std::string& path) {
    std::string base = root;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base + path;
}

DWORD ReadMountTable(const std::string& root, std::vector<MountEntry>& entries) {
    entries.clear();
    std::string text;
    DWORD error = sys::ReadSmallFile(BelowRoot(root, "/proc/self/mounts"), text);
    if (error != 0)
        error = sys::ReadSmallFile(BelowRoot(root, "/proc/mounts"), text);
    if (error != 0)
        return error;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string source, target;
        if (!(fields >> source >> target))
            continue;
        source = Unescape(source);
        if (source.rfind('/', 0) != 0)
            continue;
        entries.push_back({DeviceName(root, source), Unescape(target)});
    }
    return 0;
}

} // namespace kernel
