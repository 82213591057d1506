#pragma once
// Block devices opened by udisks2 on the system bus: the daemon asks polkit (which
// asks the user through their authentication agent) and hands back a descriptor.
// Kolm runs as the user and keeps its claim and its unbuffered transfers.
#include "platform/kernel/DeviceBroker.h"

#include <functional>
#include <string>

namespace bus {

// How a thread spends the wait for the daemon's answer, which may take as long as
// the user takes to type a password; answered() turns true when it is in.
using Waiter = std::function<void(const std::function<bool()>& answered)>;

class UdisksBroker : public kernel::DeviceBroker {
public:
    // waiter: null, or how the calling thread waits (the window's thread keeps
    // painting meanwhile).
    explicit UdisksBroker(Waiter waiter = nullptr) : m_waiter(std::move(waiter)) {}
    DWORD OpenBlockDevice(dev_t device, int flags, kernel::sys::UniqueFd& opened) override;

    // Whether udisks2 answers on the system bus; why not, when it does not.
    static bool Answers(std::string& why);

private:
    Waiter m_waiter;
};

} // namespace bus
