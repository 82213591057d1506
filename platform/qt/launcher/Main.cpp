// The kolm program on Linux: attaches the image files given with --drive as
// stand-in disks, then runs the application on the Qt window backend.
#include "platform/framework/Dialog.h"
#include "platform/framework/UiThread.h"
#include "platform/kernel/LinuxMachine.h"
#include "platform/qt/QtBackend.h"
#include "resources/ProgramResources.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kUsage =
    "Usage: kolm [--drive FILE]...\n"
    "Kolm shows the sectors of a disk, searches them, scans them and copies disks to\n"
    "image files and back.\n"
    "\n"
    "  --drive FILE  attach the image file FILE as a stand-in disk; it is listed after\n"
    "                the machine's own disks, in the order given (repeatable)\n"
    "  --help        show this text and exit\n"
    "\n"
    "Raw disks need root; stand-in files do not.\n";

// The files given with --drive; false on anything the launcher does not know.
bool ParseArguments(int argc, char** argv, std::vector<std::string>& drives, bool& help) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help") {
            help = true;
        } else if (argument == "--drive" && i + 1 < argc) {
            drives.emplace_back(argv[++i]);
        } else {
            std::fprintf(stderr, "kolm: unknown or incomplete argument: %s\n", argv[i]);
            return false;
        }
    }
    return true;
}

// A stand-in that cannot be read would only show up later as a failing drive.
bool Readable(const std::string& path) {
    if (access(path.c_str(), R_OK) == 0)
        return true;
    std::fprintf(stderr, "kolm: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> drives;
    bool help = false;
    if (!ParseArguments(argc, argv, drives, help)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    for (const std::string& drive : drives) {
        if (!Readable(drive))
            return 1;
        kernel::LinuxMachine::Instance().AttachStandIn(drive);
    }
    if (geteuid() != 0)
        std::fputs("kolm: not running as root: raw disks need root, stand-in files "
                   "(--drive FILE) do not.\n",
                   stderr);

    // Qt sees only the program name: the launcher's arguments are its own.
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    std::string error;
    if (!LoadProgramResources(&error)) {
        std::fprintf(stderr, "kolm: cannot load the resources: %s\n", error.c_str());
        return 1;
    }
    framework::SetUiThread();
    qt::QtBackend backend;
    return AfxWinMain();
}
