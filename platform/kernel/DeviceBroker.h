#pragma once
// Another process that opens block devices for Kolm where Kolm itself may not
// (udisks2, once polkit has asked the user). The launcher installs one; without
// it a device the user may not open stays refused.
#include "platform/kernel/SystemCalls.h"

#include <sys/types.h>

namespace kernel {

class DeviceBroker {
public:
    virtual ~DeviceBroker() = default;
    // Opens the block device numbered device with open(2) flags, the access mode
    // among them; 0 or an error code.
    virtual DWORD OpenBlockDevice(dev_t device, int flags, sys::UniqueFd& opened) = 0;
};

// Null uninstalls.
void InstallDeviceBroker(DeviceBroker* broker);
// Whether the broker is asked for a node that an open refused with error: a block
// device the user may not open, while a broker is installed.
bool BrokerOpens(DWORD error, const struct stat& node);

// Opens the node fd names again with flags, as sys::Reopen does. A block device
// the user may not open is asked of the broker; what it hands back must be that
// same device, or nothing is opened.
DWORD ReopenNode(int fd, int flags, sys::UniqueFd& reopened);

} // namespace kernel
