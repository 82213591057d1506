#include "platform/qt/launcher/DriveReport.h"

#include "device/DiskDevice.h"
#include "device/DriveEntry.h"
#include "platform/kernel/DriveListing.h"
#include "platform/kernel/LinuxMachine.h"
#include "platform/qt/launcher/Messages.h"

#include <cstring>

namespace launcher {

std::string DescribeDriveList() {
    kernel::LinuxMachine& machine = kernel::LinuxMachine::Instance();
    const kernel::DriveListing listing(machine.Root(), machine.Snapshot());
    // The window's own drive list: the device builds it as the window's does.
    const DiskDevice device;
    std::string text;
    for (int index = 0; index < device.GetDriveCount(); ++index) {
        const CString entry = device.GetDriveEntry(index);
        text += std::string(entry.GetString()) + "  ";
        if (!IsUnmappedDriveEntry(entry)) {
            text += listing.DescribeDisk(static_cast<DWORD>(DriveEntryDiskNumber(entry)),
                                         DriveEntryLetters(entry).GetString());
            continue;
        }
        text += listing.DescribeVolume(DriveEntryLetter(entry));
        // The C library's text in the terminal's charset, not the window's code page.
        const char* reason = std::strerror(static_cast<int>(device.GetDriveEntryError(index)));
        text += "      " + Say(kNamesNoDisk, {reason}) + "\n";
    }
    return text + listing.DescribeDisksWithoutLetters();
}

} // namespace launcher
