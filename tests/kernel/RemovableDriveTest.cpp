// Which disks count as removable, read from a fake sysfs tree: the kernel's flag,
// and the card type of a built-in memory card slot.
#include "platform/kernel/Kernel.h"
#include "platform/kernel/LinuxMachine.h"
#include "tests/kernel/TempFolder.h"

#include <gtest/gtest.h>

namespace {

struct DiskCase {
    const char* name;
    const char* removableFlag; // nullptr: the attribute is missing
    const char* cardType;      // device/type; nullptr: missing
    UINT expected;
};

TEST(RemovableDrive, FlaggedDisksAndSdCardsAreRemovableEmmcIsNot) {
    // Listed in the natural order the namespace numbers them in.
    const DiskCase disks[] = {
        {"mmcblk0", "0\n", "MMC\n", DRIVE_FIXED},     // eMMC system storage
        {"mmcblk1", "0\n", "SD\n", DRIVE_REMOVABLE},  // SD card in a built-in slot
        {"mmcblk2", "0\n", "SDIO\n", DRIVE_FIXED},    // not a memory card
        {"mmcblk3", nullptr, nullptr, DRIVE_FIXED},   // nothing to tell by
        {"mmcblk4", "1\n", "MMC\n", DRIVE_REMOVABLE}, // the kernel's flag wins
        {"sda", "1\n", nullptr, DRIVE_REMOVABLE},     // USB stick or card reader
        {"sdb", "0\n", "SD\n", DRIVE_FIXED},          // a card type only counts on mmcblk
        {"vda", "0\n", nullptr, DRIVE_FIXED},
    };
    TempFolder root;
    for (const DiskCase& disk : disks) {
        const std::string folder = root / (std::string("sys/block/") + disk.name);
        WriteText(folder + "/size", "2048\n");
        if (disk.removableFlag != nullptr)
            WriteText(folder + "/removable", disk.removableFlag);
        if (disk.cardType != nullptr)
            WriteText(folder + "/device/type", disk.cardType);
    }
    kernel::LinuxMachine machine(root.Path());
    kernel::InstallMachine(&machine);
    for (std::size_t i = 0; i < std::size(disks); ++i) {
        SCOPED_TRACE(disks[i].name);
        const std::string drive = "\\\\.\\PHYSICALDRIVE" + std::to_string(i) + "\\";
        const std::string letter = std::string(1, static_cast<char>('C' + i)) + ":\\";
        EXPECT_EQ(GetDriveTypeA(drive.c_str()), disks[i].expected);
        EXPECT_EQ(GetDriveTypeA(letter.c_str()), disks[i].expected);
    }
    kernel::InstallMachine(nullptr);
}

} // namespace
