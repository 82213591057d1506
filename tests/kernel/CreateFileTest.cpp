// Creating an image file: the name is looked at before anything is opened for
// writing, so a device, FIFO, socket or folder chosen in the save dialog is never
// opened; a file Kolm makes as root goes to the user who started it.
#include "platform/kernel/Kernel.h"
#include "tests/kernel/TempFolder.h"
#include "tests/support/LoopDevice.h"
#include "tests/support/NodeWatch.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <algorithm>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

HANDLE CreateImage(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool MakeSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    path.copy(address.sun_path, path.size());
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return bound;
}

TEST(CreateFile, NothingButAFileIsOpenedToBeCreated) {
    TempFolder folder;
    const std::string backing = folder / "card.img";
    WriteBytes(backing, Pattern(1 << 20, 2));
    std::string why;
    auto loop = LoopDevice::Attach(backing, 512, why); // returns once udevd's probe is over
    const std::string fifo = folder / "fifo", socket = folder / "socket",
                      inside = folder / "folder", link = folder / "link.img";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_TRUE(MakeSocket(socket));
    std::filesystem::create_directory(inside);
    if (loop)
        std::filesystem::create_symlink(loop->Path(), link);
    struct Case {
        const char* name;
        std::string path; // the name chosen
        std::string node; // the node it names
        DWORD error;
    };
    const Case cases[] = {
        {"a loop device the test attached", loop ? loop->Path() : "", loop ? loop->Path() : "",
         ERROR_ACCESS_DENIED},
        {"a link to that loop device", loop ? link : "", loop ? loop->Path() : "",
         ERROR_ACCESS_DENIED},
        {"a FIFO", fifo, fifo, ERROR_ACCESS_DENIED},
        {"a socket", socket, socket, ERROR_ACCESS_DENIED},
        {"a folder", inside, inside, static_cast<DWORD>(EISDIR)},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        if (test.path.empty())
            continue;
        NodeWatch watch(test.node);
        EXPECT_EQ(CreateImage(test.path), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), test.error);
        EXPECT_EQ(watch.EventsBeforeMark(), std::vector<uint32_t>{});
    }
    if (loop)
        EXPECT_EQ(ReadBytes(backing), Pattern(1 << 20, 2));
    else
        GTEST_SKIP() << "the other nodes passed; " << why;
}

// udev probes a disk again when it is closed after an open for writing: a disk
// that is only read is never opened for writing, and one that is written is
// opened for writing at its first write.
TEST(OpenDevice, ADiskIsOpenedForWritingOnlyWhenWritten) {
    TempFolder folder;
    const std::string backing = folder / "card.img";
    WriteBytes(backing, Pattern(1 << 20, 2));
    std::string why;
    auto loop = LoopDevice::Attach(backing, 512, why);
    if (!loop)
        GTEST_SKIP() << why;
    const std::vector<char> sector = Pattern(512, 5);
    for (bool write : {false, true}) {
        SCOPED_TRACE(write ? "written" : "only read");
        NodeWatch watch(loop->Path());
        HANDLE disk = CreateFileA(loop->Path().c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH, nullptr);
        ASSERT_NE(disk, INVALID_HANDLE_VALUE);
        std::vector<char> buffer(512);
        DWORD moved = 0;
        ASSERT_TRUE(ReadFile(disk, buffer.data(), 512, &moved, nullptr));
        if (write) {
            ASSERT_TRUE(WriteFile(disk, sector.data(), 512, &moved, nullptr));
        }
        EXPECT_TRUE(CloseHandle(disk));
        const std::vector<uint32_t> events = watch.EventsBeforeMark();
        EXPECT_EQ(std::count(events.begin(), events.end(), IN_CLOSE_WRITE), write ? 1 : 0);
    }
    std::vector<char> expected = Pattern(1 << 20, 2);
    std::copy(sector.begin(), sector.end(), expected.begin() + 512);
    EXPECT_EQ(ReadBytes(backing), expected) << "the write went to the second sector";
}

// The variables one case sets, the others unset; what was there is put back.
class Variables {
public:
    explicit Variables(const std::vector<std::pair<const char*, const char*>>& wanted) {
        for (const char* name : {"PKEXEC_UID", "SUDO_UID", "SUDO_GID"}) {
            const char* old = std::getenv(name);
            m_old.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            unsetenv(name);
        }
        for (const auto& [name, value] : wanted)
            setenv(name, value, 1);
    }
    ~Variables() {
        for (const auto& [name, value] : m_old) {
            if (value)
                setenv(name, value->c_str(), 1);
            else
                unsetenv(name);
        }
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> m_old;
};

TEST(CreateFile, ANewImageGoesToTheUserWhoStartedKolm) {
    if (geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user needs root";
    TempFolder folder;
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, const char*>> variables;
        bool existing; // a file of user 1234 is there and is replaced
        uid_t user;
        gid_t group;
    };
    const Case cases[] = {
        {"pkexec: the user's primary group", {{"PKEXEC_UID", "65534"}}, false, kNobody, kNobody},
        {"sudo", {{"SUDO_UID", "65534"}, {"SUDO_GID", "100"}}, false, kNobody, 100},
        {"sudo without a group", {{"SUDO_UID", "65534"}}, false, kNobody, kNobody},
        {"pkexec before sudo",
         {{"PKEXEC_UID", "65534"}, {"SUDO_UID", "1"}, {"SUDO_GID", "1"}},
         false,
         kNobody,
         kNobody},
        {"started by root itself", {}, false, 0, 0},
        {"not a number", {{"PKEXEC_UID", "65534x"}, {"SUDO_UID", "-1"}}, false, 0, 0},
        {"an existing file keeps its owner", {{"PKEXEC_UID", "65534"}}, true, 1234, 1234},
    };
    int serial = 0;
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const std::string path = folder / ("image" + std::to_string(serial++) + ".img");
        if (test.existing) {
            WriteText(path, "old");
            ASSERT_EQ(chown(path.c_str(), 1234, 1234), 0);
        }
        Variables variables(test.variables);
        HANDLE image = CreateImage(path);
        ASSERT_NE(image, INVALID_HANDLE_VALUE) << GetLastError();
        CloseHandle(image);
        struct stat info {};
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, test.user);
        EXPECT_EQ(info.st_gid, test.group);
        EXPECT_EQ(info.st_size, 0);
    }
}

} // namespace
