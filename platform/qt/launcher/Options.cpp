#include "platform/qt/launcher/Options.h"

#include "platform/qt/launcher/Messages.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace launcher {

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help") {
            options.help = true;
        } else if (argument == "--list") {
            options.list = true;
        } else if (argument == "--as-root") {
            options.asRoot = true;
        } else if (argument == "--startup-check") {
            options.startupCheck = true;
        } else if (argument == "--drive" && i + 1 < argc) {
            const std::string path = argv[++i];
            if (path.empty()) {
                error = Say(kDriveNeedsName);
                return false;
            }
            // Absolute, because pkexec starts the program in root's home folder.
            std::error_code ignored;
            const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
            options.drives.push_back(absolute.empty() ? path : absolute.string());
        } else {
            error = Say(kUnknownArgument, {argument});
            return false;
        }
    }
    return true;
}

} // namespace launcher
