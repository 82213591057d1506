#include "platform/kernel/StartingUser.h"
#include "platform/kernel/SystemCalls.h"

#include <charconv>
#include <optional>
#include <string>

namespace kernel {
namespace {

// A user or group number as the variable gives it: decimal digits only, and not
// the -1 that chown takes for "unchanged".
std::optional<unsigned> NumberOf(const char* variable) {
    std::string text;
    if (!sys::GetEnv(variable, text) || text.empty())
        return std::nullopt;
    unsigned value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || value == static_cast<unsigned>(-1))
        return std::nullopt;
    return value;
}

} // namespace

void GiveToStartingUser(int fd) {
    if (!sys::IsRoot())
        return;
    std::optional<unsigned> user = NumberOf("PKEXEC_UID");
    std::optional<unsigned> group;
    if (!user) {
        user = NumberOf("SUDO_UID");
        group = NumberOf("SUDO_GID");
    }
    if (!user)
        return;
    gid_t primary = 0;
    if (!group && sys::PrimaryGroup(*user, primary) == 0)
        group = primary;
    sys::FChown(fd, *user, group.value_or(static_cast<gid_t>(-1)));
}

} // namespace kernel
