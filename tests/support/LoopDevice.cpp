#include "tests/support/LoopDevice.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

std::optional<std::string> RunCommand(const std::string& command) {
    static std::atomic<unsigned> serial{std::random_device{}()};
    auto output = std::filesystem::temp_directory_path() /
                  ("kolm-command-" + std::to_string(serial.fetch_add(1)));
    int status = std::system((command + " > '" + output.string() + "' 2>/dev/null").c_str());
    std::ifstream in(output);
    std::stringstream text;
    text << in.rdbuf();
    std::filesystem::remove(output);
    if (status != 0)
        return std::nullopt;
    return text.str();
}

std::unique_ptr<LoopDevice> LoopDevice::Attach(const std::string& file, DWORD sectorSize,
                                               std::string& why) {
    if (!RunCommand("test \"$(id -u)\" -eq 0")) {
        why = "attaching a loop device needs root";
        return nullptr;
    }
    auto path = RunCommand("losetup --find --show --sector-size " + std::to_string(sectorSize) +
                           " '" + file + "'");
    if (!path || path->empty()) {
        why = "losetup could not attach a loop device here";
        return nullptr;
    }
    while (!path->empty() && path->back() == '\n')
        path->pop_back();
    auto loop = std::unique_ptr<LoopDevice>(new LoopDevice(*path));
    // The node keeps a read-only flag that an earlier user set (blockdev --setro)
    // after it was detached; the device attached here is writable, as its file is.
    if (!RunCommand("blockdev --setrw '" + *path + "'")) {
        why = "losetup attached " + *path + " but it cannot be made writable";
        return nullptr;
    }
    SettleUdev();
    return loop;
}

void SettleUdev() {
    RunCommand("udevadm settle --timeout=60");
}

// A loop device that someone still has open (udevd probing it after a change)
// is detached only at that last close, and until then its file is still busy.
// The next test may use the file at once, so the detach is waited for.
LoopDevice::~LoopDevice() {
    RunCommand("losetup -d '" + m_path + "'");
    SettleUdev();
    const std::string backing =
        "/sys/block/" + std::filesystem::path(m_path).filename().string() + "/loop/backing_file";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::filesystem::exists(backing) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}
