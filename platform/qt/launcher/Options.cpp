#include "platform/qt/launcher/Options.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace launcher {

const char* const kUsage =
    "Usage: kolm [--drive FILE]... [--as-root]\n"
    "       kolm --list [--drive FILE]...\n"
    "Kolm shows the sectors of a disk, searches them, scans them and copies disks to\n"
    "image files and back.\n"
    "\n"
    "  --drive FILE     attach the image file FILE as a stand-in disk; it is listed\n"
    "                   after the machine's own disks, in the order given (repeatable)\n"
    "  --list           print what each entry of the drive list is on this machine\n"
    "                   (device, model, size, mount point) and exit\n"
    "  --as-root        start again through pkexec, which asks for the password that\n"
    "                   gives disk access (the application menu's entry does this)\n"
    "  --startup-check  open the window, print its drive list, close it again at once\n"
    "                   and exit; status 0 when Kolm can start here\n"
    "  --help           show this text and exit\n"
    "\n"
    "Raw disks need root; stand-in files do not.\n";

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
                error = "--drive needs a file name, not an empty one";
                return false;
            }
            // Absolute, because pkexec starts the program in root's home folder.
            std::error_code ignored;
            const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
            options.drives.push_back(absolute.empty() ? path : absolute.string());
        } else {
            error = "unknown or incomplete argument: " + std::string(argument);
            return false;
        }
    }
    return true;
}

} // namespace launcher
