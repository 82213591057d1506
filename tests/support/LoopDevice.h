#pragma once
// A real loop device over a file, attached with losetup for the test's lifetime and
// detached afterwards (waiting until the kernel has let go of the file). Attach
// returns once udevd has probed the new device. Needs root; Attach says why it could not attach
// otherwise.
//
//   std::string why;
//   auto loop = LoopDevice::Attach(imagePath, 4096, why);
//   if (!loop) GTEST_SKIP() << why;
//   loop->Path(); // "/dev/loopN"
#include "platform/kernel/Types.h"

#include <memory>
#include <optional>
#include <string>

class LoopDevice {
public:
    static std::unique_ptr<LoopDevice> Attach(const std::string& file, DWORD sectorSize,
                                              std::string& why);
    ~LoopDevice();
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;

    const std::string& Path() const { return m_path; }

private:
    explicit LoopDevice(std::string path) : m_path(std::move(path)) {}
    std::string m_path;
};

// Waits until udevd (where one runs) has handled every event so far: the probes
// it makes of a new or changed device are over.
void SettleUdev();

// Runs a shell command; its standard output, or nullopt when it failed.
std::optional<std::string> RunCommand(const std::string& command);
