#include "platform/qt/launcher/DriveReport.h"

#include "device/DiskDevice.h"
#include "device/DriveEntry.h"
#include "platform/kernel/DriveListing.h"
#include "platform/kernel/LinuxMachine.h"

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
        std::string reason = ErrorText(device.GetDriveEntryError(index)).GetString();
        reason.erase(reason.find_last_not_of("\r\n") + 1); // the system's text ends its line
        text += "      names no disk: " + reason + "\n";
    }
    return text + listing.DescribeDisksWithoutLetters();
}

} // namespace launcher
