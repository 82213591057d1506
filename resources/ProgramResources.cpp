#include "resources/ProgramResources.h"

#include "platform/framework/Resources.h"
#include "resources/EmbeddedFiles.h"

#include <algorithm>

namespace {

// The script names its files by bare names, so a path's last part finds them.
bool ReadEmbedded(const std::string& path, std::string& bytes) {
    const std::string_view name = std::string_view(path).substr(path.find_last_of('/') + 1);
    const auto files = EmbeddedFiles();
    const auto found = std::find_if(files.begin(), files.end(),
                                    [&](const EmbeddedFile& file) { return file.name == name; });
    if (found == files.end())
        return false;
    bytes.assign(found->bytes);
    return true;
}

} // namespace

bool LoadProgramResources(std::string* reason) {
    std::string error;
    if (framework::LoadResourceScript("kolm.rc", ReadEmbedded, framework::Resources(), error))
        return true;
    if (reason != nullptr)
        *reason = error;
    return false;
}
