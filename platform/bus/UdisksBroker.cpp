#include "platform/bus/UdisksBroker.h"
#include "platform/bus/BusError.h"
#include "platform/kernel/Sysfs.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <memory>
#include <string>
#include <systemd/sd-bus.h>
#include <thread>
#include <unistd.h>

namespace bus {
namespace {

constexpr const char* kService = "org.freedesktop.UDisks2";
constexpr const char* kBlock = "org.freedesktop.UDisks2.Block";
constexpr const char* kManager = "/org/freedesktop/UDisks2/Manager";
// The user may take their time over the password; polkit's agent ends the
// question long before this.
constexpr std::uint64_t kAnswerTime = 15ULL * 60 * 1000 * 1000;

struct BusCloser {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using Bus = std::unique_ptr<sd_bus, BusCloser>;
using Message = std::unique_ptr<sd_bus_message, MessageUnref>;

// udisks2 names a block device's object after its kernel name, every byte but
// letters and digits written as _ and two hexadecimal digits.
std::string ObjectPath(dev_t device) {
    const std::string link = kernel::SysfsBlockFolder(device);
    char target[PATH_MAX];
    const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
    if (length <= 0)
        return {};
    const std::string full(target, static_cast<std::size_t>(length));
    std::string path = "/org/freedesktop/UDisks2/block_devices/";
    for (unsigned char c : full.substr(full.rfind('/') + 1)) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            path += static_cast<char>(c);
        } else {
            static const char kHex[] = "0123456789abcdef";
            path += {'_', kHex[c >> 4], kHex[c & 15]};
        }
    }
    return path;
}

const char* Mode(int flags) {
    switch (flags & O_ACCMODE) {
    case O_WRONLY:
        return "w";
    case O_RDWR:
        return "rw";
    default:
        return "r";
    }
}

// The object must be the device asked for: a name may have come to stand for
// another device since it was read.
DWORD CheckDeviceNumber(sd_bus* bus, const std::string& path, dev_t device) {
    BusError error;
    std::uint64_t number = 0;
    int r = sd_bus_get_property_trivial(bus, kService, path.c_str(), kBlock, "DeviceNumber",
                                        error.Get(), 't', &number);
    if (r < 0)
        return error.Code();
    return number == device ? 0 : static_cast<DWORD>(ENODEV);
}

DWORD CallOpenDevice(sd_bus* bus, const std::string& path, int flags, int& fd) {
    sd_bus_message* made = nullptr;
    int r =
        sd_bus_message_new_method_call(bus, &made, kService, path.c_str(), kBlock, "OpenDevice");
    Message call(made);
    // The flags go as an int32: udisks2 overlooks any other type without a word,
    // and the claim (O_EXCL) would be lost.
    if (r >= 0)
        r = sd_bus_message_append(call.get(), "sa{sv}", Mode(flags), 1, "flags", "i",
                                  static_cast<std::int32_t>(flags & ~O_ACCMODE));
    if (r >= 0)
        r = sd_bus_message_set_allow_interactive_authorization(call.get(), 1);
    if (r < 0)
        return static_cast<DWORD>(-r);
    BusError error;
    sd_bus_message* answer = nullptr;
    r = sd_bus_call(bus, call.get(), kAnswerTime, error.Get(), &answer);
    Message reply(answer);
    if (r < 0)
        return error.Code();
    int passed = -1;
    if ((r = sd_bus_message_read(reply.get(), "h", &passed)) < 0)
        return static_cast<DWORD>(-r);
    // The reply owns the descriptor it carries.
    fd = fcntl(passed, F_DUPFD_CLOEXEC, 3);
    return fd < 0 ? static_cast<DWORD>(errno) : 0;
}

DWORD OpenThroughUdisks(dev_t device, int flags, int& fd) {
    const std::string path = ObjectPath(device);
    if (path.empty())
        return ENODEV;
    sd_bus* opened = nullptr;
    if (int r = sd_bus_open_system(&opened); r < 0)
        return static_cast<DWORD>(-r);
    Bus bus(opened);
    if (DWORD error = CheckDeviceNumber(bus.get(), path, device); error != 0)
        return error;
    return CallOpenDevice(bus.get(), path, flags, fd);
}

} // namespace

// The call runs on a thread of its own, so that the caller's thread can spend the
// wait as its waiter says.
DWORD UdisksBroker::OpenBlockDevice(dev_t device, int flags, kernel::sys::UniqueFd& opened) {
    std::atomic<bool> answered{false};
    DWORD error = 0;
    int fd = -1;
    std::thread call([&] {
        error = OpenThroughUdisks(device, flags, fd);
        answered = true;
    });
    if (m_waiter)
        m_waiter([&] { return answered.load(); });
    call.join();
    opened = kernel::sys::UniqueFd(fd);
    return error;
}

bool UdisksBroker::Answers(std::string& why) {
    sd_bus* opened = nullptr;
    int r = sd_bus_open_system(&opened);
    Bus bus(opened);
    BusError error;
    char* version = nullptr;
    if (r >= 0)
        r = sd_bus_get_property_string(bus.get(), kService, kManager,
                                       "org.freedesktop.UDisks2.Manager", "Version", error.Get(),
                                       &version);
    std::free(version);
    if (r >= 0)
        return true;
    why = error.Text(r);
    return false;
}

} // namespace bus
