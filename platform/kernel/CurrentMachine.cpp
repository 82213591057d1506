#include "platform/kernel/LinuxMachine.h"

#include <atomic>

namespace kernel {
namespace {
std::atomic<Machine*> installed{nullptr};
}

bool IsDevicePath(const std::string& path) {
    return path.rfind("\\\\.\\", 0) == 0;
}

void InstallMachine(Machine* machine) {
    installed.store(machine);
}

Machine& CurrentMachine() {
    if (Machine* machine = installed.load())
        return *machine;
    return LinuxMachine::Instance();
}

} // namespace kernel
