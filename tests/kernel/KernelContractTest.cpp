// What the kernel layer promises the device code, held against every machine it
// runs on: a disk of the simulated machine, a stand-in file of the Linux machine
// and, as root, a real loop device. Each promise is one test that runs on each.
#include "platform/kernel/Kernel.h"
#include "platform/kernel/LinuxMachine.h"
#include "tests/kernel/TempFolder.h"
#include "tests/support/LoopDevice.h"
#include "tests/support/SimulatedMachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <ostream>

namespace {

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kUnbuffered = FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH;
constexpr ULONGLONG kSize = 4 << 20;
constexpr unsigned kSeed = 11;

// A disk under test, reached as a physical drive of the machine installed for it.
class Medium {
public:
    virtual ~Medium() = default;
    const std::string& Path() const { return m_path; }
    // The medium's bytes as they stand, read past the kernel layer.
    virtual std::vector<char> Bytes() const = 0;
    // Write-protects the medium; false, with the reason, where that cannot be had.
    virtual bool Protect(std::string& why) = 0;

protected:
    std::string m_path; // "\\.\PHYSICALDRIVE<n>"
};

class SimulatedMedium : public Medium {
public:
    SimulatedMedium(ULONGLONG size, DWORD sectorSize)
        : m_disk(m_machine.AddDisk(size, sectorSize)) {
        const std::vector<char> bytes = Pattern(size, kSeed);
        m_disk.Fill(0, bytes.data(), bytes.size());
        m_path = m_disk.Path();
    }
    std::vector<char> Bytes() const override {
        const std::vector<BYTE> bytes = m_disk.Bytes(0, m_disk.Size());
        return {bytes.begin(), bytes.end()};
    }
    bool Protect(std::string&) override {
        m_disk.SetReadOnly(true);
        return true;
    }

private:
    SimulatedMachine m_machine;
    SimulatedDisk& m_disk;
};

// A file attached to the Linux machine or a device node of it, found among its
// physical drives.
class LinuxMedium : public Medium {
public:
    ~LinuxMedium() override { kernel::InstallMachine(nullptr); }
    std::vector<char> Bytes() const override { return ReadBytes(m_file); }

protected:
    explicit LinuxMedium(ULONGLONG size) : m_file(m_folder / "medium.img") {
        WriteBytes(m_file, Pattern(size, kSeed));
    }
    void Find(const std::string& node) {
        kernel::InstallMachine(&m_machine);
        const std::vector<std::string> drives = m_machine.PhysicalDrivePaths();
        auto found = std::find(drives.begin(), drives.end(), node);
        if (found != drives.end())
            m_path = "\\\\.\\PHYSICALDRIVE" + std::to_string(found - drives.begin());
    }

    TempFolder m_folder;
    std::string m_file;
    kernel::LinuxMachine m_machine;
};

class StandInMedium : public LinuxMedium {
public:
    explicit StandInMedium(ULONGLONG size) : LinuxMedium(size) {
        m_machine.AttachStandIn(m_file);
        Find(m_file);
    }
    bool Protect(std::string& why) override {
        why = "a file is write-protected only on a read-only mount";
        return false;
    }
};

class LoopMedium : public LinuxMedium {
public:
    LoopMedium(ULONGLONG size, DWORD sectorSize, std::string& why) : LinuxMedium(size) {
        m_loop = LoopDevice::Attach(m_file, sectorSize, why);
        if (m_loop)
            Find(m_loop->Path());
    }
    // The read-only flag outlives the attachment: it is taken off before the loop
    // device is given back.
    ~LoopMedium() override {
        if (m_loop && m_protected)
            RunCommand("blockdev --setrw '" + m_loop->Path() + "'");
    }
    bool Protect(std::string& why) override {
        m_protected = RunCommand("blockdev --setro '" + m_loop->Path() + "'").has_value();
        if (!m_protected)
            why = "blockdev --setro failed";
        return m_protected;
    }

private:
    std::unique_ptr<LoopDevice> m_loop;
    bool m_protected = false;
};

enum class Kind { Simulated, StandIn, Loop };

struct MediumCase {
    Kind kind;
    DWORD sectorSize;
    const char* name;
};

void PrintTo(const MediumCase& medium, std::ostream* out) {
    *out << medium.name;
}

class KernelContract : public ::testing::TestWithParam<MediumCase> {
protected:
    void SetUp() override { Make(kSize); }
    void TearDown() override {
        for (HANDLE handle : m_handles)
            CloseHandle(handle);
    }

    // Replaces the medium with a new one of the given size.
    void Make(ULONGLONG size) {
        m_medium.reset();
        std::string why;
        switch (GetParam().kind) {
        case Kind::Simulated:
            m_medium = std::make_unique<SimulatedMedium>(size, GetParam().sectorSize);
            break;
        case Kind::StandIn:
            m_medium = std::make_unique<StandInMedium>(size);
            break;
        case Kind::Loop:
            m_medium = std::make_unique<LoopMedium>(size, GetParam().sectorSize, why);
            break;
        }
        if (!why.empty())
            GTEST_SKIP() << why;
        ASSERT_FALSE(m_medium->Path().empty()) << "the medium is no physical drive";
    }

    // Closed when the test ends, unless the test closes it first.
    HANDLE Open(DWORD access = kReadWrite) {
        HANDLE handle =
            CreateFileA(m_medium->Path().c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, kUnbuffered, nullptr);
        EXPECT_NE(handle, INVALID_HANDLE_VALUE) << GetLastError();
        m_handles.push_back(handle);
        return handle;
    }
    void Close(HANDLE handle) {
        CloseHandle(handle);
        m_handles.erase(std::find(m_handles.begin(), m_handles.end(), handle));
    }

    static BOOL Seek(HANDLE handle, ULONGLONG position) {
        return SetFilePointerEx(handle, {static_cast<LONGLONG>(position)}, nullptr, FILE_BEGIN);
    }
    static BOOL Control(HANDLE handle, DWORD code, void* out = nullptr, DWORD outSize = 0) {
        DWORD returned = 0;
        return DeviceIoControl(handle, code, nullptr, 0, out, outSize, &returned, nullptr);
    }

    DWORD Sector() const { return GetParam().sectorSize; }

    std::unique_ptr<Medium> m_medium;
    std::vector<HANDLE> m_handles;
};

TEST_P(KernelContract, GeometryIsTheMediumsSizeWithCylindersCountedFromIt) {
    HANDLE disk = Open();
    DISK_GEOMETRY_EX geometry{};
    ASSERT_TRUE(Control(disk, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, &geometry, sizeof geometry));
    EXPECT_EQ(geometry.DiskSize.QuadPart, static_cast<LONGLONG>(kSize));
    EXPECT_EQ(geometry.Geometry.BytesPerSector, Sector());
    EXPECT_EQ(geometry.Geometry.TracksPerCylinder, 255u);
    EXPECT_EQ(geometry.Geometry.SectorsPerTrack, 63u);
    EXPECT_EQ(geometry.Geometry.Cylinders.QuadPart,
              static_cast<LONGLONG>(kSize / (255 * 63 * Sector())));
    DISK_GEOMETRY plain{};
    ASSERT_TRUE(Control(disk, IOCTL_DISK_GET_DRIVE_GEOMETRY, &plain, sizeof plain));
    EXPECT_EQ(std::memcmp(&plain, &geometry.Geometry, sizeof plain), 0);
    LARGE_INTEGER size{};
    ASSERT_TRUE(GetFileSizeEx(disk, &size));
    EXPECT_EQ(size.QuadPart, static_cast<LONGLONG>(kSize));

    EXPECT_FALSE(Control(disk, IOCTL_DISK_GET_DRIVE_GEOMETRY, &plain, sizeof plain - 1));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_FALSE(Control(disk, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, &geometry, sizeof plain));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_FALSE(Control(disk, 0x12345));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
}

// The rule for a disk known only by its size: a floppy image's size has the
// floppy's shape. A loop device is a block device, which reports 255/63 whatever
// its size.
TEST_P(KernelContract, AFloppysSizeHasTheFloppysShape) {
    if (GetParam().kind == Kind::Loop || Sector() != 512)
        GTEST_SKIP() << "only a disk known by its size alone takes the floppy's shape";
    Make(1474560);
    DISK_GEOMETRY geometry{};
    ASSERT_TRUE(Control(Open(), IOCTL_DISK_GET_DRIVE_GEOMETRY, &geometry, sizeof geometry));
    EXPECT_EQ(geometry.Cylinders.QuadPart, 80);
    EXPECT_EQ(geometry.TracksPerCylinder, 2u);
    EXPECT_EQ(geometry.SectorsPerTrack, 18u);
}

TEST_P(KernelContract, UnbufferedTransfersAreWholeSectorsAtSectorPositions) {
    HANDLE disk = Open();
    std::vector<char> storage(4 * Sector() + 1);
    DWORD done = 99;
    EXPECT_FALSE(ReadFile(disk, storage.data(), Sector() - 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(WriteFile(disk, storage.data(), Sector() + 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(Seek(disk, Sector() / 2));
    EXPECT_FALSE(ReadFile(disk, storage.data(), Sector(), &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(WriteFile(disk, storage.data(), Sector(), &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    // A buffer at any address moves the right bytes.
    char* odd = storage.data() + 1;
    ASSERT_TRUE(Seek(disk, Sector()));
    ASSERT_TRUE(ReadFile(disk, odd, 2 * Sector(), &done, nullptr));
    ASSERT_EQ(done, 2 * Sector());
    std::vector<char> expected = Pattern(kSize, kSeed);
    EXPECT_EQ(std::memcmp(odd, expected.data() + Sector(), done), 0);
    const std::vector<char> fresh = Pattern(2 * Sector(), 77);
    std::copy(fresh.begin(), fresh.end(), odd);
    ASSERT_TRUE(Seek(disk, 3 * Sector()));
    ASSERT_TRUE(WriteFile(disk, odd, 2 * Sector(), &done, nullptr));
    EXPECT_EQ(done, 2 * Sector());
    Close(disk);
    std::copy(fresh.begin(), fresh.end(), expected.begin() + 3 * Sector());
    EXPECT_EQ(m_medium->Bytes(), expected);
}

TEST_P(KernelContract, ReadsStopShortAtTheEndAndWritesPastItFail) {
    HANDLE disk = Open();
    std::vector<char> buffer(4 * Sector());
    DWORD done = 0;
    ASSERT_TRUE(Seek(disk, kSize - Sector()));
    ASSERT_TRUE(ReadFile(disk, buffer.data(), 4 * Sector(), &done, nullptr));
    EXPECT_EQ(done, Sector());
    ASSERT_TRUE(ReadFile(disk, buffer.data(), Sector(), &done, nullptr));
    EXPECT_EQ(done, 0u);
    ASSERT_TRUE(Seek(disk, ULONGLONG{1} << 40));
    ASSERT_TRUE(ReadFile(disk, buffer.data(), Sector(), &done, nullptr));
    EXPECT_EQ(done, 0u);

    if (GetParam().kind == Kind::StandIn)
        return; // a file grows where a disk ends
    std::fill(buffer.begin(), buffer.end(), '\x5A');
    ASSERT_TRUE(Seek(disk, kSize - Sector()));
    EXPECT_FALSE(WriteFile(disk, buffer.data(), 2 * Sector(), &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ENOSPC));
    ASSERT_TRUE(Seek(disk, kSize));
    EXPECT_FALSE(WriteFile(disk, buffer.data(), Sector(), &done, nullptr)) << "at the end";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ENOSPC));
    Close(disk);
    // The sector before the end was written all the same.
    const std::vector<char> bytes = m_medium->Bytes();
    ASSERT_EQ(bytes.size(), kSize);
    EXPECT_TRUE(std::all_of(bytes.end() - Sector(), bytes.end(), [](char c) { return c == 0x5A; }));
}

// One handle at a time holds the claim; the dismount needs it, and closing the
// handle gives it back.
TEST_P(KernelContract, LockIsExclusiveAndDismountNeedsIt) {
    HANDLE first = Open();
    HANDLE second = Open();
    EXPECT_FALSE(Control(first, FSCTL_DISMOUNT_VOLUME));
    EXPECT_EQ(GetLastError(), ERROR_BUSY);
    EXPECT_TRUE(Control(first, FSCTL_LOCK_VOLUME));
    EXPECT_TRUE(Control(first, FSCTL_LOCK_VOLUME)) << "a second lock by the holder";
    EXPECT_TRUE(Control(first, FSCTL_DISMOUNT_VOLUME));
    EXPECT_FALSE(Control(second, FSCTL_LOCK_VOLUME));
    EXPECT_EQ(GetLastError(), ERROR_BUSY);
    EXPECT_FALSE(Control(second, FSCTL_DISMOUNT_VOLUME));
    EXPECT_TRUE(Control(first, FSCTL_UNLOCK_VOLUME));
    EXPECT_FALSE(Control(first, FSCTL_DISMOUNT_VOLUME));
    EXPECT_TRUE(Control(second, FSCTL_LOCK_VOLUME));
    Close(second);
    EXPECT_TRUE(Control(first, FSCTL_LOCK_VOLUME));
}

TEST_P(KernelContract, ReadOnlyHandleReadsLocksAndRefusesWrites) {
    HANDLE disk = Open(GENERIC_READ);
    std::vector<char> sector(Sector());
    DWORD done = 7;
    EXPECT_FALSE(WriteFile(disk, sector.data(), Sector(), &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(done, 0u);
    ASSERT_TRUE(ReadFile(disk, sector.data(), Sector(), &done, nullptr));
    EXPECT_EQ(done, Sector());
    EXPECT_TRUE(Control(disk, FSCTL_LOCK_VOLUME));
    Close(disk);
    EXPECT_EQ(m_medium->Bytes(), Pattern(kSize, kSeed));
}

// A write-protected medium still opens for reading and writing; its writes fail.
TEST_P(KernelContract, WriteProtectedMediumOpensAndRefusesWrites) {
    std::string why;
    if (!m_medium->Protect(why))
        GTEST_SKIP() << why;
    HANDLE disk = Open();
    std::vector<char> sector(Sector(), 'w');
    DWORD done = 7;
    EXPECT_FALSE(WriteFile(disk, sector.data(), Sector(), &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_WRITE_PROTECT);
    EXPECT_EQ(done, 0u);
    ASSERT_TRUE(ReadFile(disk, sector.data(), Sector(), &done, nullptr));
    EXPECT_EQ(done, Sector());
    Close(disk);
    EXPECT_EQ(m_medium->Bytes(), Pattern(kSize, kSeed));
}

INSTANTIATE_TEST_SUITE_P(Machines, KernelContract,
                         ::testing::Values(MediumCase{Kind::Simulated, 512, "Simulated512"},
                                           MediumCase{Kind::Simulated, 4096, "Simulated4096"},
                                           MediumCase{Kind::StandIn, 512, "StandInFile"},
                                           MediumCase{Kind::Loop, 512, "Loop512"},
                                           MediumCase{Kind::Loop, 4096, "Loop4096"}),
                         [](const auto& test) { return std::string(test.param.name); });

} // namespace
