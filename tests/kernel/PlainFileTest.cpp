#include "platform/kernel/Kernel.h"
#include "platform/kernel/Machine.h"
#include "tests/kernel/TempFolder.h"
#include "tests/support/FaultyFileSystem.h"

#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>

namespace {

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kUnbuffered = FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH;

HANDLE Open(const std::string& path, DWORD access = kReadWrite, DWORD flags = kUnbuffered,
            DWORD disposition = OPEN_EXISTING) {
    return CreateFileA(path.c_str(), access, kShare, nullptr, disposition, flags, nullptr);
}

BOOL Seek(HANDLE file, LONGLONG to) {
    return SetFilePointerEx(file, {to}, nullptr, FILE_BEGIN);
}

BOOL Control(HANDLE file, DWORD code, void* out = nullptr, DWORD outSize = 0) {
    DWORD returned = 0;
    return DeviceIoControl(file, code, nullptr, 0, out, outSize, &returned, nullptr);
}

DISK_GEOMETRY_EX Geometry(HANDLE file) {
    DISK_GEOMETRY_EX geometry{};
    EXPECT_TRUE(Control(file, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, &geometry, sizeof geometry));
    return geometry;
}

class PlainFile : public ::testing::Test {
protected:
    std::string Make(std::size_t size, unsigned seed = 1) {
        std::string path = m_folder / ("file" + std::to_string(m_count++) + ".img");
        WriteBytes(path, Pattern(size, seed));
        return path;
    }

    TempFolder m_folder;
    int m_count = 0;
};

TEST_F(PlainFile, CreateAlwaysTruncatesAndWritesWhatIsRead) {
    std::string path = Make(8192);
    HANDLE file = Open(path, GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size{-1};
    ASSERT_TRUE(GetFileSizeEx(file, &size));
    EXPECT_EQ(size.QuadPart, 0);
    std::vector<char> data = Pattern(1000, 9);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, data.data(), 1000, &written, nullptr));
    EXPECT_EQ(written, 1000u);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(ReadBytes(path), data);

    std::string created = m_folder / "new.img";
    file = Open(created, GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_TRUE(std::filesystem::exists(created));
}

TEST_F(PlainFile, OpenFailuresLeaveTheirError) {
    EXPECT_EQ(Open(m_folder / "missing.img"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open(m_folder.Path()), INVALID_HANDLE_VALUE);
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_EQ(Open(""), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(Make(512), kReadWrite, 0, 77), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    // A FIFO would block an ordinary open until a writer comes.
    std::string fifo = m_folder / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(Open(fifo, GENERIC_READ), INVALID_HANDLE_VALUE);
}

// Unbuffered handles keep to whole sectors (tests/kernel/KernelContractTest.cpp);
// buffered ones take any length at any offset.
TEST_F(PlainFile, BufferedHandleMovesAnyLengthAtAnyOffset) {
    std::string path = Make(8192);
    HANDLE file = Open(path, kReadWrite, FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::vector<char> buffer(16);
    DWORD done = 0;
    ASSERT_TRUE(Seek(file, 100));
    ASSERT_TRUE(ReadFile(file, buffer.data(), 7, &done, nullptr));
    EXPECT_EQ(done, 7u);
    EXPECT_EQ(std::memcmp(buffer.data(), Pattern(8192, 1).data() + 100, 7), 0);
    ASSERT_TRUE(WriteFile(file, "written", 7, &done, nullptr));
    EXPECT_EQ(done, 7u);
    CloseHandle(file);
    EXPECT_EQ(std::string(ReadBytes(path).data() + 107, 7), "written");
}

TEST_F(PlainFile, ReadsStopAtTheEndWhateverTheSize) {
    for (std::size_t size : {std::size_t{0}, std::size_t{512}, std::size_t{1000}}) {
        SCOPED_TRACE(size);
        std::string path = Make(size, 3);
        HANDLE file = Open(path);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(Geometry(file).DiskSize.QuadPart, static_cast<LONGLONG>(size));
        std::vector<char> buffer(2048, 'x');
        DWORD done = 0;
        ASSERT_TRUE(ReadFile(file, buffer.data(), 2048, &done, nullptr));
        ASSERT_EQ(done, size);
        std::vector<char> expected = Pattern(size, 3);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer.begin()));
        // Far past the end: nothing, and no failure.
        ASSERT_TRUE(Seek(file, LONGLONG{1} << 40));
        ASSERT_TRUE(ReadFile(file, buffer.data(), 512, &done, nullptr));
        EXPECT_EQ(done, 0u);
        CloseHandle(file);
    }
}

TEST_F(PlainFile, PositionsBeyondTheFileOffsetRangeAreRefused) {
    HANDLE file = Open(Make(512), kReadWrite, FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(Seek(file, INT64_MAX - 10));
    char buffer[512];
    DWORD done = 0;
    EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(WriteFile(file, buffer, sizeof buffer, &done, nullptr));
    CloseHandle(file);
}

// Below the handle layer an unbuffered object still reads any span, through the
// bounce buffer, and refuses a partial-sector write rather than tearing it.
TEST_F(PlainFile, ObjectReadsMisalignedSpans) {
    std::string path = Make(4096);
    std::unique_ptr<kernel::OpenObject> object;
    kernel::OpenRequest request{path, kReadWrite, kShare, OPEN_EXISTING, kUnbuffered};
    ASSERT_EQ(kernel::OpenPlainFile(request, object), 0u);
    std::vector<char> buffer(4096);
    DWORD done = 0;
    ASSERT_EQ(object->Read(100, buffer.data() + 5, 3000, done), 0u);
    ASSERT_EQ(done, 3000u);
    EXPECT_EQ(std::memcmp(buffer.data() + 5, Pattern(4096, 1).data() + 100, 3000), 0);
    ASSERT_EQ(object->Read(4000, buffer.data(), 500, done), 0u);
    EXPECT_EQ(done, 96u);
    EXPECT_EQ(object->SectorSize(), 512u);
}

TEST_F(PlainFile, TmpfsWithoutDirectIoStillOpensUnbuffered) {
    if (!std::filesystem::is_directory("/dev/shm"))
        GTEST_SKIP() << "no tmpfs at /dev/shm";
    std::string path = "/dev/shm/kolm-kernel-" + std::to_string(getpid()) + ".img";
    WriteBytes(path, Pattern(2048, 5));
    HANDLE file = Open(path);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::vector<char> buffer(1025);
    DWORD done = 0;
    EXPECT_TRUE(ReadFile(file, buffer.data() + 1, 1024, &done, nullptr));
    EXPECT_EQ(done, 1024u);
    EXPECT_FALSE(ReadFile(file, buffer.data(), 100, &done, nullptr));
    CloseHandle(file);
    std::filesystem::remove(path);
}

// An image file answers the geometry requests as a stand-in disk does, from its
// size, but it is no volume of any disk.
TEST_F(PlainFile, ImageFileIsMeasuredButNamesNoDisk) {
    constexpr LONGLONG kSize = 3 * 255 * 63 * 512 + 4096;
    std::string path = m_folder / "sparse.img";
    WriteText(path, "");
    std::filesystem::resize_file(path, kSize);
    HANDLE disk = Open(path);
    DISK_GEOMETRY_EX geometry = Geometry(disk);
    EXPECT_EQ(geometry.Geometry.TracksPerCylinder, 255u);
    EXPECT_EQ(geometry.Geometry.SectorsPerTrack, 63u);
    EXPECT_EQ(geometry.Geometry.Cylinders.QuadPart, 3);
    EXPECT_EQ(geometry.DiskSize.QuadPart, kSize);
    VOLUME_DISK_EXTENTS extents{};
    EXPECT_FALSE(Control(disk, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, &extents, sizeof extents));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    CloseHandle(disk);
}

// A file system may fail what it kept back only at the fsync or at the close:
// both calls say so with its error.
TEST_F(PlainFile, FlushAndCloseReportWhatTheFileSystemFails) {
    using Fault = FaultyFileSystem::KeepFault;
    struct Case {
        const char* name;
        Fault fault;
        DWORD flushError; // 0: the call succeeds
        DWORD closeError;
    };
    const Case cases[] = {
        {"nothing fails", Fault::None, 0, 0},
        {"the fsync fails", Fault::Fsync, EIO, 0},
        {"the flush at the close fails", Fault::Flush, 0, EIO},
        {"the fsync of the folder that names the new file fails", Fault::FolderFsync, EIO, 0},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        std::string why;
        const std::string mount = m_folder / ("mnt" + std::to_string(m_count++));
        auto faults = FaultyFileSystem::Mount(m_folder / "store", mount, why);
        if (!faults)
            GTEST_SKIP() << why;
        faults->FailKeeping(test.fault);
        // A new name each time: only a file the open creates flushes its folder.
        HANDLE file = Open(mount + "/image" + std::to_string(m_count) + ".img", GENERIC_WRITE,
                           FILE_ATTRIBUTE_NORMAL, CREATE_ALWAYS);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file, "sector", 6, &written, nullptr));
        SetLastError(0);
        EXPECT_EQ(FlushFileBuffers(file), test.flushError == 0);
        EXPECT_EQ(GetLastError(), test.flushError);
        SetLastError(0);
        EXPECT_EQ(CloseHandle(file), test.closeError == 0);
        EXPECT_EQ(GetLastError(), test.closeError);
        EXPECT_FALSE(CloseHandle(file)) << "closed once, whatever the result";
    }
}

} // namespace
