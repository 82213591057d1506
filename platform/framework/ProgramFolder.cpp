#include "platform/framework/ProgramFolder.h"

#include <filesystem>
#include <system_error>

namespace framework {

std::string ProgramFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : program.parent_path().string();
}

std::string FindBesideProgram(const std::string& name) {
    const std::filesystem::path folder = ProgramFolder();
    if (folder.empty())
        return {};
    for (const std::filesystem::path& candidate : {folder / name, folder.parent_path() / name}) {
        std::error_code ignored;
        if (std::filesystem::is_regular_file(candidate, ignored))
            return candidate.string();
    }
    return {};
}

} // namespace framework
