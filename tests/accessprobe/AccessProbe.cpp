// Kolm's device code run by a user without root, for tests/access: it opens a
// device through udisks2 as the program does and reports on standard output.
//
//   access_probe DEVICE dump COUNT     the first COUNT sectors, raw, after "Lock"
//   access_probe DEVICE hold           "held" once taken ("refused" when the open
//                                      failed), then waits for a line
//   access_probe DEVICE restore IMAGE  restores IMAGE over the whole device
// Anything shown in a box is written to standard error; a refused open exits 1.
#include "device/DiskDevice.h"
#include "platform/bus/UdisksBroker.h"
#include "platform/framework/HeadlessBackend.h"
#include "tests/jobs/JobHarness.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

int ReportBoxes(const framework::HeadlessBackend& backend) {
    for (const auto& box : backend.boxes)
        std::fprintf(stderr, "box: %s\n", box.text.GetString());
    return backend.boxes.empty() ? 0 : 1;
}

int Dump(DiskDevice& device, long count) {
    std::vector<char> sector(device.GetBytesPerSector());
    for (long lba = 0; lba < count; ++lba) {
        device.SetPosition(lba * static_cast<long>(sector.size()));
        if (device.ReadAtPosition(sector.data(), static_cast<DWORD>(sector.size())) !=
            sector.size())
            return 1;
        std::fwrite(sector.data(), 1, sector.size(), stdout);
    }
    return 0;
}

} // namespace

// Says how the open went and waits for a line, so that the test may look at the
// descriptors the process holds meanwhile.
int Hold(bool opened) {
    std::printf(opened ? "held\n" : "refused\n");
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
    return opened ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    bus::UdisksBroker broker;
    kernel::InstallDeviceBroker(&broker);
    framework::HeadlessBackend backend;
    DiskDevice device;
    const std::string command = argv[2];
    const bool opened = device.OpenDevicePath(argv[1]) != FALSE;
    if (command == "hold")
        return Hold(opened) | ReportBoxes(backend);
    if (!opened)
        return ReportBoxes(backend) | 1;
    int status = 2;
    if (command == "dump" && argc == 4) {
        status = Dump(device, std::stol(argv[3]));
    } else if (command == "restore" && argc == 4) {
        if (device.StartImageRestore(WholeDevice(device, argv[3])) == 1 &&
            backend.RunUntil([&] { return !device.IsWorkerRunning(); }))
            status = 0;
    }
    device.CloseDevice();
    return status | ReportBoxes(backend);
}
