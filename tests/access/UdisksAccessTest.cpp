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

    static inline TempFolder* folder = nullptr;
    static inline SystemServices* services = nullptr;
    static inline std::string why;
    std::unique_ptr<LoopDevice> loop;
};

// Every descriptor of the device that some process holds: whose, and how opened.
struct Holder {
    uid_t user;
    int access;
};
std::vector<Holder> HoldersOf(const std::string& device) {
    std::vector<Holder> holders;
    for (const auto& process : fs::directory_iterator("/proc")) {
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
            struct stat owner {};
            stat(process.path().c_str(), &owner);
            holders.push_back({owner.st_uid, flags & O_ACCMODE});
        }
    }
    return holders;
}

TEST_F(UdisksAccess, AUserOpensTakesAndReadsTheDeviceThroughUdisks) {
    // What Kolm reads is what xxd reads of the device.
    const std::string dump = *folder / "dump";
    ASSERT_EQ(Probe("dump 64 > " + dump), "");
    EXPECT_EQ(RunCommand("xxd " + dump), RunCommand("head -c 32768 " + loop->Path() + " | xxd"));

    // Held: the claim keeps out every other exclusive open, and nothing holds the
    // device for writing, nor as root.
    const std::string go = *folder / "go";
    ASSERT_EQ(mkfifo(go.c_str(), 0666), 0);
    const int release = open(go.c_str(), O_RDWR); // the probe's stdin never blocks its open
    FILE* probe = popen(User("hold < " + go).c_str(), "r");
    ASSERT_NE(probe, nullptr);
    char said[64] = {};
    ASSERT_NE(std::fgets(said, sizeof said, probe), nullptr);
    EXPECT_STREQ(said, "held\n");
    const int other = open(loop->Path().c_str(), O_RDONLY | O_EXCL);
    const int error = errno;
    EXPECT_EQ(other, -1);
    EXPECT_EQ(error, EBUSY);
    if (other >= 0)
        close(other);
    const std::vector<Holder> holders = HoldersOf(loop->Path());
    EXPECT_FALSE(holders.empty());
    for (const Holder& holder : holders) {
        EXPECT_NE(holder.user, 0u);
        EXPECT_EQ(holder.access, O_RDONLY);
    }
    EXPECT_EQ(write(release, "\n", 1), 1);
    close(release);
    EXPECT_EQ(pclose(probe), 0);
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
    const std::string said = Probe("dump 1");
    EXPECT_NE(said.find("box: Permission denied"), std::string::npos) << said;
    EXPECT_TRUE(HoldersOf(loop->Path()).empty());
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
