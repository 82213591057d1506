#include "platform/kernel/Kernel.h"
#include "platform/kernel/LinuxMachine.h"
#include "tests/kernel/TempFolder.h"

#include <gtest/gtest.h>
#include <sys/statvfs.h>

namespace {

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

// A machine of two letter-less loop slots, two attached loops, an NVMe disk,
// three SCSI disks (one removable, partitions out of order), a floppy, an optical
// drive, devices the namespace must not list, and sda1 and sdb2 mounted.
class FakeMachine : public ::testing::Test {
protected:
    void SetUp() override {
        Block("loop0", 0);
        Block("loop1", 0);
        WriteText(m_root / "sys/block/loop1/loop/backing_file", "/images/a.img\n");
        Block("loop2", 0);
        Block("loop10", 2048);
        Block("nvme0n1", 4096);
        Block("sda", 8192);
        Partition("sda", "sda1", 1, 2048);
        Partition("sda", "sda2", 2, 4096);
        Block("sdb", 8192, true);
        Partition("sdb", "sdb10", 10, 6144);
        Partition("sdb", "sdb2", 2, 4096);
        Partition("sdb", "sdb1", 1, 2048);
        Block("sdaa", 1024);
        Block("fd0", 2880, true);
        Block("sr0", 0, true);
        Block("zram0", 4096);
        Block("mmcblk0boot0", 4096);
        Block("ram0", 4096);
        m_standIn = m_root / "standin.img";
        WriteText(m_standIn, "");
        std::filesystem::resize_file(m_standIn, 1474560);
        std::filesystem::create_directories(m_root / "dev/disk/by-label");
        std::filesystem::create_symlink("../../sdb2", m_root / "dev/disk/by-label/STICK");
        std::filesystem::create_directories(m_root / "mnt/data");
        WriteText(m_root / "proc/self/mounts",
                  "sysfs /sys sysfs rw 0 0\n"
                  "/dev/sda1 /mnt/data ext4 rw 0 0\n"
                  "/dev/disk/by-label/STICK /media/my\\040stick vfat rw 0 0\n");
        m_machine.AttachStandIn(m_standIn);
        kernel::InstallMachine(&m_machine);
    }
    void TearDown() override { kernel::InstallMachine(nullptr); }

    void Block(const std::string& name, unsigned long sectors, bool removable = false) {
        std::string folder = m_root / ("sys/block/" + name);
        WriteText(folder + "/size", std::to_string(sectors) + "\n");
        WriteText(folder + "/removable", removable ? "1\n" : "0\n");
        WriteBytes(m_root / ("dev/" + name), Pattern(4096, static_cast<unsigned>(name.size())));
    }

    void Partition(const std::string& disk, const std::string& name, int number,
                   unsigned long start) {
        std::string folder = m_root / ("sys/block/" + disk + "/" + name);
        WriteText(folder + "/partition", std::to_string(number) + "\n");
        WriteText(folder + "/start", std::to_string(start) + "\n");
        WriteText(folder + "/size", "2048\n");
        WriteBytes(m_root / ("dev/" + name), Pattern(2048, static_cast<unsigned>(number)));
    }

    HANDLE Open(const std::string& path) {
        return CreateFileA(path.c_str(), kReadWrite, kShare, nullptr, OPEN_EXISTING,
                           FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH, nullptr);
    }

    static bool Control(HANDLE file, DWORD code, void* out = nullptr, DWORD outSize = 0) {
        DWORD returned = 0;
        return DeviceIoControl(file, code, nullptr, 0, out, outSize, &returned, nullptr) != FALSE;
    }

    TempFolder m_root;
    std::string m_standIn;
    kernel::LinuxMachine m_machine{m_root.Path()};
};

TEST_F(FakeMachine, PhysicalDrivesAreDisksInNaturalOrderThenStandIns) {
    std::vector<std::string> expected;
    for (const char* name : {"loop1", "loop10", "nvme0n1", "sda", "sdb", "sdaa"})
        expected.push_back(m_root / (std::string("dev/") + name));
    expected.push_back(m_standIn);
    EXPECT_EQ(m_machine.PhysicalDrivePaths(), expected);

    HANDLE drive = Open("\\\\.\\PHYSICALDRIVE3");
    ASSERT_NE(drive, INVALID_HANDLE_VALUE);
    std::vector<char> sector(512);
    DWORD done = 0;
    ASSERT_TRUE(ReadFile(drive, sector.data(), 512, &done, nullptr));
    std::vector<char> node = ReadBytes(m_root / "dev/sda");
    EXPECT_TRUE(std::equal(sector.begin(), sector.end(), node.begin()));
    CloseHandle(drive);
    EXPECT_EQ(Open("\\\\.\\PHYSICALDRIVE7"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FakeMachine, LettersGoToFloppiesThenPartitionsThenWholeDisksThenOptical) {
    // A: fd0; C: loop1, D: loop10, E: nvme0n1, F: G: sda1 sda2, H: I: J: sdb1 sdb2
    // sdb10, K: sdaa, L: the stand-in, M: sr0.
    EXPECT_EQ(GetLogicalDrives(), 0x1FFDu);
    const std::pair<const char*, std::string> volumes[] = {
        {"A", "dev/fd0"},  {"C", "dev/loop1"}, {"E", "dev/nvme0n1"}, {"G", "dev/sda2"},
        {"H", "dev/sdb1"}, {"J", "dev/sdb10"}, {"K", "dev/sdaa"},    {"M", "dev/sr0"},
    };
    for (const auto& [letter, node] : volumes) {
        SCOPED_TRACE(letter);
        HANDLE volume = Open(std::string("\\\\.\\") + letter + ":");
        ASSERT_NE(volume, INVALID_HANDLE_VALUE);
        std::vector<char> sector(512);
        DWORD done = 0;
        ASSERT_TRUE(ReadFile(volume, sector.data(), 512, &done, nullptr));
        std::vector<char> expected = ReadBytes(m_root / node);
        EXPECT_TRUE(std::equal(sector.begin(), sector.end(), expected.begin()));
        CloseHandle(volume);
    }
    HANDLE standIn = Open("\\\\.\\l:");
    ASSERT_NE(standIn, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size{};
    ASSERT_TRUE(GetFileSizeEx(standIn, &size));
    EXPECT_EQ(size.QuadPart, 1474560);
    CloseHandle(standIn);
    for (const char* absent : {"\\\\.\\B:", "\\\\.\\N:", "\\\\.\\C:\\", "\\\\.\\1:", "\\\\.\\"})
        EXPECT_EQ(Open(absent), INVALID_HANDLE_VALUE) << absent;
}

TEST_F(FakeMachine, DriveTypesFollowTheKindAndTheRemovableFlag) {
    const std::pair<const char*, UINT> roots[] = {
        {"A:\\", DRIVE_REMOVABLE},
        {"\\\\.\\C:\\", DRIVE_FIXED},
        {"F:\\", DRIVE_FIXED},
        {"\\\\.\\H:\\", DRIVE_REMOVABLE},
        {"L:\\", DRIVE_REMOVABLE},
        {"M:\\", DRIVE_CDROM},
        {"B:\\", DRIVE_NO_ROOT_DIR},
        {"Z:\\", DRIVE_NO_ROOT_DIR},
        {"\\\\.\\PHYSICALDRIVE3\\", DRIVE_FIXED},
        {"\\\\.\\PHYSICALDRIVE4\\", DRIVE_REMOVABLE},
        {"\\\\.\\PHYSICALDRIVE6\\", DRIVE_REMOVABLE},
        {"\\\\.\\PHYSICALDRIVE7\\", DRIVE_NO_ROOT_DIR},
        {"\\\\.\\PHYSICALDRIVE99999999999999999999\\", DRIVE_NO_ROOT_DIR},
        {"\\\\.\\PHYSICALDRIVE-1\\", DRIVE_NO_ROOT_DIR},
        {"/dev/sda", DRIVE_NO_ROOT_DIR},
        {"", DRIVE_NO_ROOT_DIR},
    };
    for (const auto& [root, type] : roots)
        EXPECT_EQ(GetDriveTypeA(root), type) << root;
    EXPECT_EQ(GetDriveTypeA(nullptr), DRIVE_NO_ROOT_DIR);
}

TEST_F(FakeMachine, ExtentsNameTheDiskOfPartitionsAndWholeDisks) {
    const std::tuple<const char*, DWORD, LONGLONG> volumes[] = {
        {"\\\\.\\I:", 4, 4096 * 512}, {"\\\\.\\K:", 5, 0}, {"\\\\.\\L:", 6, 0}};
    for (const auto& [path, disk, start] : volumes) {
        SCOPED_TRACE(path);
        HANDLE volume = Open(path);
        VOLUME_DISK_EXTENTS extents{};
        ASSERT_TRUE(Control(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, &extents, 32));
        EXPECT_EQ(extents.NumberOfDiskExtents, 1u);
        EXPECT_EQ(extents.Extents[0].DiskNumber, disk);
        EXPECT_EQ(extents.Extents[0].StartingOffset.QuadPart, start);
        EXPECT_FALSE(Control(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, &extents, 31));
        EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        CloseHandle(volume);
    }
    for (const char* path : {"\\\\.\\A:", "\\\\.\\M:"}) {
        HANDLE volume = Open(path);
        VOLUME_DISK_EXTENTS extents{};
        EXPECT_FALSE(Control(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, &extents, 32)) << path;
        CloseHandle(volume);
    }
}

TEST_F(FakeMachine, DismountIsRefusedWhileTheVolumeOrAPartitionIsMounted) {
    // sda1 by name, sdb2 through a link, sda and sdb as the disks holding them.
    for (const char* path :
         {"\\\\.\\F:", "\\\\.\\I:", "\\\\.\\PHYSICALDRIVE3", "\\\\.\\PHYSICALDRIVE4"}) {
        SCOPED_TRACE(path);
        HANDLE volume = Open(path);
        ASSERT_TRUE(Control(volume, FSCTL_LOCK_VOLUME));
        EXPECT_FALSE(Control(volume, FSCTL_DISMOUNT_VOLUME));
        EXPECT_EQ(GetLastError(), ERROR_BUSY);
        CloseHandle(volume);
    }
    for (const char* path : {"\\\\.\\G:", "\\\\.\\J:", "\\\\.\\PHYSICALDRIVE5", "\\\\.\\L:"}) {
        SCOPED_TRACE(path);
        HANDLE volume = Open(path);
        EXPECT_FALSE(Control(volume, FSCTL_DISMOUNT_VOLUME));
        ASSERT_TRUE(Control(volume, FSCTL_LOCK_VOLUME));
        EXPECT_TRUE(Control(volume, FSCTL_DISMOUNT_VOLUME));
        CloseHandle(volume);
    }
}

// A loop device names its backing file by a path, read below the root and compared
// with the stand-in by device and inode: any name of the file counts.
TEST_F(FakeMachine, AStandInALoopDeviceIsAttachedOverIsNotTaken) {
    std::filesystem::create_directories(m_root / "images");
    std::filesystem::create_hard_link(m_standIn, m_root / "images/a.img");
    HANDLE standIn = Open("\\\\.\\L:");
    ASSERT_NE(standIn, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(Control(standIn, FSCTL_LOCK_VOLUME));
    EXPECT_EQ(GetLastError(), ERROR_BUSY);
    EXPECT_FALSE(Control(standIn, FSCTL_DISMOUNT_VOLUME));
    EXPECT_EQ(GetLastError(), ERROR_BUSY);
    CloseHandle(standIn);
}

TEST_F(FakeMachine, FreeSpaceOfALetterIsThatOfItsMountPoint) {
    struct statvfs expected {};
    ASSERT_EQ(statvfs((m_root / "mnt/data").c_str(), &expected), 0);
    ULARGE_INTEGER available{}, total{}, unused{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("F:", &available, &total, &unused));
    EXPECT_EQ(total.QuadPart, ULONGLONG{expected.f_blocks} * expected.f_frsize);
    EXPECT_GT(available.QuadPart, 0u);
    EXPECT_TRUE(GetDiskFreeSpaceExA("F:\\some\\file.img", &available, nullptr, nullptr));
    EXPECT_FALSE(GetDiskFreeSpaceExA("G:", &available, &total, &unused));
    EXPECT_FALSE(GetDiskFreeSpaceExA("N:", &available, &total, &unused));
    ASSERT_TRUE(GetDiskFreeSpaceExA(m_root.Path().c_str(), &available, &total, &unused));
    EXPECT_EQ(total.QuadPart, ULONGLONG{expected.f_blocks} * expected.f_frsize);
    EXPECT_FALSE(GetDiskFreeSpaceExA((m_root / "missing").c_str(), &available, &total, &unused));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FakeMachine, NumbersStayFixedUntilRefreshed) {
    EXPECT_EQ(m_machine.PhysicalDrivePaths().size(), 7u);
    Block("loop3", 2048);
    EXPECT_EQ(m_machine.PhysicalDrivePaths()[1], m_root / "dev/loop10");
    m_machine.Refresh();
    EXPECT_EQ(m_machine.PhysicalDrivePaths()[1], m_root / "dev/loop3");
    EXPECT_EQ(GetLogicalDrives(), 0x3FFDu);
}

TEST(EmptyMachine, NoSysfsMeansNoDrives) {
    TempFolder root;
    kernel::LinuxMachine machine(root.Path());
    EXPECT_TRUE(machine.PhysicalDrivePaths().empty());
    EXPECT_EQ(machine.LogicalDrives(), 0u);
    EXPECT_EQ(machine.DriveType("C:\\"), DRIVE_NO_ROOT_DIR);
}

} // namespace
