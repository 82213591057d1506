#include "platform/qt/launcher/RootAccess.h"

#include "platform/qt/launcher/Display.h"
#include "platform/qt/launcher/Messages.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace launcher {
namespace {

// pkexec's own exit statuses: the user dismissed the dialog or was refused, or
// pkexec could not ask at all (no authentication agent).
constexpr int kNotAuthorized = 126;
constexpr int kCannotAsk = 127;

std::string ProgramPath() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

// Exit status of the command, or -1 with errno when it could not be started.
int Run(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (int error = posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ);
        error != 0) {
        errno = error;
        return -1;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

int RunAsRoot(const Options& options) {
    const std::string program = ProgramPath();
    std::vector<std::string> command{"pkexec", program};
    for (const std::string& drive : options.drives) {
        command.push_back("--drive");
        command.push_back(drive);
    }
    if (options.startupCheck)
        command.push_back("--startup-check");
    const int status = program.empty() ? -1 : Run(command);
    if (status == -1) {
        ReportStartError(Say(kPkexecCannotStart, {std::strerror(errno)}));
        return 1;
    }
    if (status == kNotAuthorized) {
        ReportStartError(Say(kAccessNotGranted));
        return 1;
    }
    if (status == kCannotAsk) {
        ReportStartError(Say(kCannotAskPassword));
        return 1;
    }
    return status;
}

} // namespace launcher
