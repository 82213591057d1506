#include "platform/framework/FolderOf.h"

namespace framework {

CString FolderOf(const CString& path) {
    const std::size_t slash = path.str().rfind('/');
    if (slash == std::string::npos)
        return ".";
    return CString(path.str().substr(0, slash + 1));
}

} // namespace framework
