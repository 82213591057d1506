// What is behind each disk number and letter of the drive list, on a fake machine.
#include "platform/kernel/DriveListing.h"
#include "platform/kernel/LinuxMachine.h"
#include "tests/kernel/TempFolder.h"

#include <gtest/gtest.h>

namespace {

void Disk(const TempFolder& root, const std::string& name, const std::string& size,
          const std::string& removable, const std::string& model = {}) {
    const std::string folder = root / ("sys/block/" + name);
    WriteText(folder + "/size", size + "\n");
    WriteText(folder + "/removable", removable + "\n");
    if (!model.empty())
        WriteText(folder + "/device/model", model + "   \n");
    WriteText(root / ("dev/" + name), "");
}

TEST(DriveListing, NamesEachDisksDeviceModelSizeAndMountPointsAndEachLoneVolume) {
    TempFolder root;
    Disk(root, "fd0", "2880", "1");
    Disk(root, "sda", "31116288", "1", "Ultra Fit");
    for (const char* partition : {"sda1", "sda2"}) {
        const std::string folder = root / (std::string("sys/block/sda/") + partition);
        WriteText(folder + "/partition", std::string(1, partition[3]) + "\n");
        WriteText(folder + "/start", partition[3] == '1' ? "2048\n" : "4096\n");
        WriteText(root / (std::string("dev/") + partition), "");
    }
    Disk(root, "vda", "67108864", "0");
    Disk(root, "sr0", "0", "1");
    WriteText(root / "proc/self/mounts", "/dev/vda / ext4 rw 0 0\n"
                                         "/dev/sda1 /media/me/MY\\040CARD vfat rw 0 0\n"
                                         "/dev/sda1 /mnt/again vfat rw 0 0\n");
    const std::string standIn = root / "カード 画像.img";
    WriteBytes(standIn, std::vector<char>(16384));

    kernel::LinuxMachine machine(root.Path());
    machine.AttachStandIn(standIn);
    const kernel::DriveListing listing(root.Path(), machine.Snapshot());
    EXPECT_EQ(listing.DescribeDisk(0, "CD"), "disk 0: " + root / "dev/sda" +
                                                 ", \"Ultra Fit\", 14.8 GiB, removable\n"
                                                 "      C:  " +
                                                 root / "dev/sda1" +
                                                 ", mounted on /media/me/MY CARD, /mnt/again\n"
                                                 "      D:  " +
                                                 root / "dev/sda2" + "\n");
    EXPECT_EQ(listing.DescribeDisk(1, "E"), "disk 1: " + root / "dev/vda" +
                                                ", 32.0 GiB, fixed\n"
                                                "      E:  the whole disk, mounted on /\n");
    EXPECT_EQ(listing.DescribeDisk(2, "F"),
              "disk 2: stand-in file " + standIn +
                  ", 16.0 KiB, removable\n      F:  the whole disk\n");
    EXPECT_EQ(listing.DescribeDisk(3, ""), "disk 3: not on this machine\n");
    // A letter whose volume the drive list could not put on its disk stands alone.
    const std::pair<char, std::string> volumes[] = {
        {'A', "floppy drive " + root / "dev/fd0" + "\n"},
        {'G', "optical drive " + root / "dev/sr0" + "\n"},
        {'C', root / "dev/sda1" + ", mounted on /media/me/MY CARD, /mnt/again, on disk 0\n"},
        {'E', root / "dev/vda" + ", mounted on /, on disk 1\n"},
        {'Z', "no such drive\n"},
    };
    for (const auto& [letter, text] : volumes)
        EXPECT_EQ(listing.DescribeVolume(letter), text) << letter;
    EXPECT_EQ(listing.DescribeDisksWithoutLetters(), "");
}

} // namespace
