#include "resources/ProgramResources.h"

#include "platform/framework/ProgramFolder.h"
#include "platform/framework/Resources.h"

#include <filesystem>
#include <system_error>

bool LoadProgramResources(std::string* reason) {
    const std::filesystem::path folder = framework::ProgramFolder();
    std::string error = "kolm.rc not found beside the program";
    for (const std::filesystem::path& candidate :
         {folder / "kolm.rc", folder.parent_path() / "kolm.rc"}) {
        std::error_code ignored;
        if (!folder.empty() && std::filesystem::is_regular_file(candidate, ignored)) {
            if (framework::LoadResourceScript(candidate.string(), framework::Resources(), error)) {
                return true;
            }
            break;
        }
    }
    if (reason != nullptr) {
        *reason = error;
    }
    return false;
}
