#include "platform/kernel/DeviceBroker.h"
#include "platform/kernel/Kernel.h"

#include <atomic>
#include <fcntl.h>

namespace kernel {
namespace {

std::atomic<DeviceBroker*> installed{nullptr};

} // namespace

void InstallDeviceBroker(DeviceBroker* broker) {
    installed = broker;
}

bool BrokerOpens(DWORD error, const struct stat& node) {
    return (error == EACCES || error == EPERM) && S_ISBLK(node.st_mode) && installed != nullptr;
}

DWORD ReopenNode(int fd, int flags, sys::UniqueFd& reopened) {
    DWORD error = sys::Reopen(fd, flags, reopened);
    DeviceBroker* broker = installed;
    struct stat node {};
    if (error == 0 || broker == nullptr || sys::FStat(fd, node) != 0 || !BrokerOpens(error, node))
        return error;
    sys::UniqueFd brokered;
    if (DWORD asked = broker->OpenBlockDevice(node.st_rdev, flags | O_CLOEXEC, brokered);
        asked != 0)
        return asked;
    struct stat got {};
    if (DWORD checked = sys::FStat(brokered.Get(), got); checked != 0)
        return checked;
    if (!S_ISBLK(got.st_mode) || got.st_rdev != node.st_rdev)
        return ERROR_ACCESS_DENIED;
    reopened = std::move(brokered);
    return 0;
}

} // namespace kernel
