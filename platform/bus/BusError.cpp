#include "platform/bus/BusError.h"

#include <cerrno>
#include <cstring>
#include <string_view>

namespace bus {
namespace {

// udisks2 reports a failed open(2) as "Error opening device /dev/x: <text>", the
// text in English as the daemon's C library gives it.
DWORD OpenErrno(std::string_view message) {
    for (int code = 1; code < 134; ++code) {
        const char* text = strerrordesc_np(code);
        if (text != nullptr && message.size() > std::strlen(text) + 2 &&
            message.ends_with(std::string(": ") + text))
            return static_cast<DWORD>(code);
    }
    return 0;
}

} // namespace

DWORD BusError::Code() const {
    const std::string_view name = m_error.name != nullptr ? m_error.name : "";
    if (name.starts_with("org.freedesktop.UDisks2.Error.NotAuthorized"))
        return EACCES;
    if (m_error.message != nullptr) {
        if (DWORD code = OpenErrno(m_error.message); code != 0)
            return code;
    }
    // No daemon, no such object, or a failure it does not explain: nothing was
    // opened for the user, who may not open the device themselves.
    return EACCES;
}

std::string BusError::Text(int result) const {
    if (m_error.message != nullptr)
        return m_error.message;
    if (m_error.name != nullptr)
        return m_error.name;
    return std::strerror(-result);
}

} // namespace bus
