// Kolm run by a user without root against a loop device of the test, with disk
// access through udisks2 and polkit on a private system bus. Needs root (to
// attach the loop device and start udisksd), udevd, udisks2 and python3-dbusmock;
// skips saying which is missing.
#include "tests/access/SystemServices.h"
#include "tests/kernel/TempFolder.h"
#include "tests/support/LoopDevice.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kDiskSize = 4 << 20;
constexpr const char* kUser = "nobody";

class UdisksAccess : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TempFolder;
        fs::permissions(folder->Path(), fs::perms(0755));
        services = new SystemServices;
        if (!services->Start(folder->Path(), why))
            return;
        // The probe is copied where the user may run it, whoever owns the build.
        fs::copy_file(fs::path(KOLM_BINARY_DIR) / "tests/access_probe", *folder / "probe");
    }
    static void TearDownTestSuite() {
        delete services;
        delete folder;
    }
    void SetUp() override {
        if (!why.empty())
            GTEST_SKIP() << why;
        ASSERT_TRUE(services->AllowOpens(true));
        const std::string file = *folder / "disk.img";
        WriteBytes(file, Pattern(kDiskSize, 7));
        std::string skipped;
        loop = LoopDevice::Attach(file, 512, skipped);
        if (!loop)
            GTEST_SKIP() << skipped;
    }
    // The command line of the probe run by the user over the loop device.
    std::string User(const std::string& arguments) const {
        return "runuser -u " + std::string(kUser) + " -- " + (*folder / "probe") + " " +
               loop->Path() + " " + arguments;
    }
    // What the probe says on both outputs, whether it failed or not.
    std::string Probe(const std::string& arguments) const {
        return RunCommand("((" + User(arguments) + ") 2>&1; true)").value_or("");
    }

    // The probe holding the device (or refused) until StopHolding; its first line.
    std::string StartHolding() {
        const std::string go = *folder / "go";
        std::filesystem::remove(go);
        mkfifo(go.c_str(), 0666);
        m_release = open(go.c_str(), O_RDWR); // so that the probe's stdin opens at once
        m_holder = popen(User("hold < " + go + " 2> " + (*folder / "said")).c_str(), "r");
        char line[64] = {};
        return m_holder != nullptr && std::fgets(line, sizeof line, m_holder) ? line : "";
    }
    // The probe's exit status once it was told to end.
    int StopHolding() {
        EXPECT_EQ(write(m_release, "\n", 1), 1);
        close(m_release);
        const int status = pclose(m_holder);
        m_holder = nullptr;
        return status;
    }
    static uid_t UserId() { return getpwnam(kUser)->pw_uid; }

    FILE* m_holder = nullptr;
    int m_release = -1;
    static inline TempFolder* folder = nullptr;
    static inline SystemServices* services = nullptr;
    static inline std::string why;
    std::unique_ptr<LoopDevice> loop;
};

// How each descriptor of the device that a process of the user holds was opened.
// udevd and udisksd, which run as root, may open the device on their own (a
// probe of another test's device change, say): theirs are not counted.
std::vector<int> AccessOf(const std::string& device, uid_t user) {
    std::vector<int> modes;
    for (const auto& process : fs::directory_iterator("/proc")) {
        struct stat owner {};
        if (stat(process.path().c_str(), &owner) != 0 || owner.st_uid != user)
            continue;
        std::error_code error;
        for (const auto& fd : fs::directory_iterator(process.path() / "fd", error)) {
            if (fs::read_symlink(fd.path(), error) != device)
                continue;
            std::ifstream info(process.path() / "fdinfo" / fd.path().filename());
            std::string key;
            int flags = 0;
            while (info >> key && key != "flags:")
                info.ignore(1 << 10, '\n');
            info >> std::oct >> flags;
            modes.push_back(flags & O_ACCMODE);
        }
    }
    return modes;
}

TEST_F(UdisksAccess, AUserOpensTakesAndReadsTheDeviceThroughUdisks) {
    // What Kolm reads is what xxd reads of the device.
    const std::string dump = *folder / "dump";
    ASSERT_EQ(Probe("dump 64 > " + dump), "");
    EXPECT_EQ(RunCommand("xxd " + dump), RunCommand("head -c 32768 " + loop->Path() + " | xxd"));

    // Held: the claim keeps out every other exclusive open, and the user's process
    // holds the device for reading only.
    EXPECT_EQ(StartHolding(), "held\n");
    const int other = open(loop->Path().c_str(), O_RDONLY | O_EXCL);
    const int error = errno;
    EXPECT_EQ(other, -1);
    EXPECT_EQ(error, EBUSY);
    if (other >= 0)
        close(other);
    const std::vector<int> modes = AccessOf(loop->Path(), UserId());
    EXPECT_FALSE(modes.empty());
    for (int mode : modes)
        EXPECT_EQ(mode, O_RDONLY);
    EXPECT_EQ(StopHolding(), 0);
}

TEST_F(UdisksAccess, AUserRestoresAnImageOntoTheDevice) {
    const std::string image = *folder / "image.img";
    WriteBytes(image, Pattern(kDiskSize, 8));
    fs::permissions(image, fs::perms(0644));
    EXPECT_EQ(Probe("restore " + image), "");
    EXPECT_TRUE(RunCommand("cmp " + image + " " + loop->Path()));
}

TEST_F(UdisksAccess, ARefusedAuthorizationOpensNothing) {
    ASSERT_TRUE(services->AllowOpens(false));
    EXPECT_EQ(StartHolding(), "refused\n");
    EXPECT_TRUE(AccessOf(loop->Path(), UserId()).empty());
    EXPECT_NE(StopHolding(), 0);
    const std::string said = RunCommand("cat " + (*folder / "said")).value_or("");
    EXPECT_NE(said.find("box: Permission denied"), std::string::npos) << said;
}

TEST_F(UdisksAccess, AMountedDeviceIsLeftAlone) {
    const std::string mount = *folder / "mnt";
    fs::create_directory(mount);
    ASSERT_TRUE(
        RunCommand("mkfs.ext2 -q -F " + loop->Path() + " && mount " + loop->Path() + " " + mount));
    const std::string said = Probe("hold < /dev/null");
    RunCommand("umount " + mount);
    EXPECT_NE(said.find("box: Device or resource busy"), std::string::npos) << said;
    EXPECT_EQ(said.find("held"), std::string::npos);
}

} // namespace
