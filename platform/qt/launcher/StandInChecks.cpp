#include "platform/qt/launcher/StandInChecks.h"

#include "platform/kernel/LinuxMachine.h"
#include "platform/qt/launcher/Messages.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace launcher {
namespace {

std::string Refusal(const std::string& path, const std::string& reason) {
    return Say(kDriveRefused, {path, reason});
}

std::string CheckOne(const std::string& path, std::set<std::pair<dev_t, ino_t>>& seen) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return Refusal(path, std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        return Refusal(path, Say(kIsFolder));
    if (S_ISBLK(info.st_mode) || S_ISCHR(info.st_mode))
        return Refusal(path, Say(kIsDevice));
    if (!S_ISREG(info.st_mode))
        return Refusal(path, Say(kNotRegular));
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Refusal(path, Say(kCannotRead, {std::strerror(errno)}));
    close(fd);
    if (!seen.emplace(info.st_dev, info.st_ino).second)
        return Refusal(path, Say(kGivenTwice));
    return {};
}

} // namespace

std::string CheckStandInFiles(const std::vector<std::string>& paths) {
    std::set<std::pair<dev_t, ino_t>> seen;
    for (const std::string& path : paths) {
        if (std::string refusal = CheckOne(path, seen); !refusal.empty())
            return refusal;
    }
    return {};
}

std::string CheckStandInsHaveLetters(std::size_t given) {
    const kernel::DeviceNamespace devices = kernel::LinuxMachine::Instance().Snapshot();
    std::size_t lettered = 0;
    for (const auto& volume : devices.letters) {
        if (volume && volume->standIn)
            ++lettered;
    }
    if (lettered == given)
        return {};
    return Say(kTooManyDrives, {std::to_string(lettered), std::to_string(given)});
}

} // namespace launcher
