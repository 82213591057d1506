// Jobs meeting real kernel errors. A FUSE file system of the test fails chosen
// reads, writes and flushes with EIO; a loop device over one of its files is a
// disk with a bad sector, which the kernel reports through the block device as
// it would for a failing card. Needs root and FUSE; skips saying which is missing.
#include "device/DiskDevice.h"
#include "platform/framework/HeadlessBackend.h"
#include "platform/framework/Messages.h"
#include "platform/text/Cp932.h"
#include "tests/jobs/JobHarness.h"
#include "tests/kernel/TempFolder.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/LoopDevice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr LONGLONG kChunk = 512 * 1024;
constexpr LONGLONG kDiskSize = 8 * kChunk;
// Inside the third chunk, away from any boundary the kernel might split at.
constexpr ULONGLONG kBadByte = 2 * kChunk + 3 * 512 + 100;

// The first count bytes of both files are equal, as cmp sees them; skip bytes of
// each are passed over first.
bool SameBytes(const std::string& a, const std::string& b, LONGLONG count, LONGLONG skip = 0) {
    return RunCommand("cmp -n " + std::to_string(count) + " -i " + std::to_string(skip) + " '" + a +
                      "' '" + b + "'")
        .has_value();
}

class KernelFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        faults = FaultyFileSystem::Mount(Store(), folder / "mnt", why);
        if (!faults)
            GTEST_SKIP() << why;
    }

    std::string Store() const { return folder / "store"; }
    std::string Mounted(const std::string& name) const { return folder / ("mnt/" + name); }

    // The job over the whole device.
    void StartJob(int (DiskDevice::*start)(const JobParams&), const std::string& text = "") {
        ASSERT_EQ((device.*start)(WholeDevice(device, text)), 1);
    }
    void RunJob(int (DiskDevice::*start)(const JobParams&), const std::string& text = "") {
        StartJob(start, text);
        ASSERT_TRUE(backend.RunUntil([this] { return !device.IsWorkerRunning(); }));
    }
    // A loop device over the file of the mount, opened and taken.
    void OpenLoopDisk(const std::string& name) {
        std::string why;
        loop = LoopDevice::Attach(Mounted(name), 512, why);
        if (!loop)
            GTEST_SKIP() << why;
        ASSERT_TRUE(device.OpenDevicePath(loop->Path().c_str()));
    }

    framework::HeadlessBackend backend;
    TempFolder folder;
    std::unique_ptr<FaultyFileSystem> faults;
    std::unique_ptr<LoopDevice> loop;
    DiskDevice device;
};

// Every job meets the same bad sector in the third chunk, and each reports it in
// the "Error" box with the system's text and ends where it says it ends: on the
// failing chunk, but for the image creation, which ends on the last sector and
// leaves the chunks copied before it.
TEST_F(KernelFaultTest, EveryJobReportsARealBadSectorAndEndsWhereItSays) {
    WriteBytes(Store() + "/disk.img", Pattern(kDiskSize, 1));
    WriteBytes(Store() + "/bad-image.img", Pattern(kDiskSize, 2));
    const std::string image = folder / "image.img", made = folder / "made.img";
    WriteBytes(image, Pattern(kDiskSize, 2));
    const std::string old = folder / "old.img";
    WriteBytes(old, Pattern(kDiskSize, 1));
    faults->FailReads("disk.img", kBadByte);
    faults->FailWrites("disk.img", kBadByte);
    faults->FailReads("bad-image.img", kBadByte);
    OpenLoopDisk("disk.img");
    if (IsSkipped() || HasFatalFailure())
        return;

    struct Case {
        const char* name;
        std::function<void()> run;
        LONGLONG position;
        bool asks = false; // whether to go on past the error, answered "No"
    };
    const Case cases[] = {
        {"read test", [&] { RunJob(&DiskDevice::StartReadTest); }, 2 * kChunk, true},
        {"data-sector scan", [&] { RunJob(&DiskDevice::StartDataScan); }, 2 * kChunk},
        {"search",
         [&] {
             device.SetSearchType(SEARCH_HEX); // bytes the disk does not hold
             RunJob(&DiskDevice::StartSearch, "000102");
         },
         2 * kChunk},
        {"image creation", [&] { RunJob(&DiskDevice::StartImageCreate, made); }, kDiskSize - 512,
         true},
        {"restore onto the bad sector", [&] { RunJob(&DiskDevice::StartImageRestore, image); },
         2 * kChunk},
        {"restore from a bad image file",
         [&] { RunJob(&DiskDevice::StartImageRestore, Mounted("bad-image.img")); }, 2 * kChunk},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        backend.boxes.clear();
        test.run();
        if (test.asks)
            ExpectErrorBoxAndQuestion(backend, EIO);
        else
            ExpectErrorBox(backend, EIO);
        EXPECT_EQ(device.GetPosition(), test.position);
    }
    device.CloseDevice();
    EXPECT_EQ(fs::file_size(made), 2 * kChunk);
    EXPECT_TRUE(SameBytes(made, old, 2 * kChunk));
    // Both restores wrote their first two chunks; nothing after the bad sector's
    // chunk was touched.
    EXPECT_TRUE(SameBytes(Store() + "/disk.img", image, 2 * kChunk));
    EXPECT_TRUE(SameBytes(Store() + "/disk.img", old, kDiskSize - 3 * kChunk, 3 * kChunk));
}

// A restore's writes reach stable storage as they are made, so a disk that fails
// its flush fails the first write, and the restore needs no flush of its own at
// its end.
TEST_F(KernelFaultTest, ARestoreOntoADiskWhoseFlushFailsStopsAtItsFirstChunk) {
    WriteBytes(Store() + "/disk.img", Pattern(kDiskSize, 1));
    const std::string image = folder / "image.img";
    WriteBytes(image, Pattern(kDiskSize, 2));
    faults->FailFsync();
    OpenLoopDisk("disk.img");
    if (IsSkipped() || HasFatalFailure())
        return;
    RunJob(&DiskDevice::StartImageRestore, image);
    ExpectErrorBox(backend, EIO);
    EXPECT_EQ(device.GetPosition(), 0);
}

// A stop that comes while the device's read hangs in the kernel takes effect as
// soon as that read returns, before the next chunk.
TEST_F(KernelFaultTest, AStopDuringASlowReadEndsTheReadTestBeforeTheNextChunk) {
    WriteBytes(Store() + "/disk.img", Pattern(kDiskSize, 1));
    OpenLoopDisk("disk.img");
    if (IsSkipped() || HasFatalFailure())
        return;
    // udev probes a new loop device: its reads must not be the one held.
    RunCommand("udevadm settle");
    faults->HoldReads("disk.img", kBadByte);
    StartJob(&DiskDevice::StartReadTest);
    ASSERT_TRUE(faults->WaitForHeldRead());
    PostThreadMessageA(device.GetWorkerThreadId(), WM_JOB_ABORT, 0, 0);
    faults->LetReadsGo();
    ASSERT_TRUE(backend.RunUntil([this] { return !device.IsWorkerRunning(); }));
    EXPECT_TRUE(backend.boxes.empty());
    EXPECT_EQ(device.GetPosition(), 3 * kChunk);
}

// An image written to a file system that keeps writes back and fails them at the
// flush or the close is reported like one whose write failed, also when the
// creation was stopped; the file keeps what was copied.
class FlushFaultTest : public JobTest {
protected:
    TempFolder folder;
};

TEST_F(FlushFaultTest, ACreatedImageWhoseFlushFailsIsReported) {
    constexpr ULONGLONG kSize = 8 * kChunk;
    const LONGLONG last = kSize / kSector - 1;
    SimulatedDisk& disk = OpenDisk(kSize);
    const std::vector<char> contents = Pattern(kSize, 3);
    disk.Fill(0, contents.data(), contents.size());
    using Fault = FaultyFileSystem::KeepFault;
    struct Case {
        const char* name;
        Fault fault;
        bool stopped;
        DWORD box; // the error code of the "Error" box, 0 for none
        const char* image = "made.img";
    };
    const Case cases[] = {
        {"nothing fails", Fault::None, false, 0},
        {"the fsync fails", Fault::Fsync, false, EIO},
        {"the flush at the close fails", Fault::Flush, false, EIO},
        {"the fsync of the folder that names it fails", Fault::FolderFsync, false, EIO},
        {"a stopped creation's fsync fails", Fault::Fsync, true, EIO},
        {"a compressed image's fsync fails", Fault::Fsync, false, EIO, "made.img.zst"},
        {"a compressed image's flush at the close fails", Fault::Flush, false, EIO, "made.img.zst"},
    };
    int serial = 0;
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const std::string store = folder / ("store" + std::to_string(serial));
        const std::string mount = folder / ("mnt" + std::to_string(serial++));
        std::string why;
        auto faults = FaultyFileSystem::Mount(store, mount, why);
        if (!faults)
            GTEST_SKIP() << why;
        faults->FailKeeping(test.fault);
        disk.BeforeReadAt(2 * kChunk, [this, &test] {
            if (test.stopped)
                PostThreadMessageA(device.GetWorkerThreadId(), WM_JOB_ABORT, 0, 0);
        });
        backend.boxes.clear();
        const std::string image = mount + "/" + test.image;
        ASSERT_EQ(device.StartImageCreate(Range(0, last, image.c_str())), 1);
        WaitForJobEnd();

        ExpectErrorBox(backend, test.box);
        EXPECT_EQ(device.GetPosition(), last * kSector);
        // What the file system kept of a compressed image is still a whole stream.
        const std::string kept = store + "/" + test.image;
        std::vector<char> written = ReadBytes(kept);
        if (kept.ends_with(".zst")) {
            const std::optional<std::string> raw = RunCommand("zstd -dcq '" + kept + "'");
            ASSERT_TRUE(raw);
            written.assign(raw->begin(), raw->end());
        }
        EXPECT_EQ(written.size() < kSize, test.stopped);
        EXPECT_TRUE(std::equal(written.begin(), written.end(), contents.begin()));
    }
}

// A gzip image records no size, so a restore counts it first. While it counts the
// window is busy and shows how far it got; a stop then ends the job on sector 0
// with nothing written. The image is read from the test's file system, whose read
// half-way through waits for the stop.
TEST_F(FlushFaultTest, AStopWhileACompressedImageIsCountedWritesNothing) {
    constexpr ULONGLONG kSize = 16 * kChunk;
    SimulatedDisk& disk = OpenDisk(kSize);
    const std::string store = folder / "store", mount = folder / "mnt";
    std::string why;
    auto faults = FaultyFileSystem::Mount(store, mount, why);
    if (!faults)
        GTEST_SKIP() << why;
    const std::string raw = folder / "raw.img";
    // Bytes gzip cannot squeeze, so that the compressed file is as long as they are.
    ASSERT_TRUE(RunCommand("{ head -c " + std::to_string(12 * kChunk) + " /dev/urandom > '" + raw +
                           "' && gzip -c '" + raw + "' > '" + store + "/image.img.gz'; }"));
    faults->HoldReads("image.img.gz", 3 << 20);
    ASSERT_EQ(
        device.StartImageRestore(Range(0, kSize / kSector - 1, (mount + "/image.img.gz").c_str())),
        1);
    ASSERT_TRUE(faults->WaitForHeldRead());
    EXPECT_TRUE(device.IsWorkerRunning());
    EXPECT_GE(device.GetPosition(), 2 * kChunk);
    PostThreadMessageA(device.GetWorkerThreadId(), WM_JOB_ABORT, 0, 0);
    faults->LetReadsGo();
    WaitForJobEnd();
    EXPECT_TRUE(backend.boxes.empty());
    EXPECT_TRUE(disk.Writes().empty());
    EXPECT_EQ(device.GetPosition(), 0);
}

// A counterfeit card under the kernel's loop device: it holds half what it says,
// and the second half's writes land on the first. The image's first three sectors
// of each half are alike, so the check names the fourth.
TEST_F(KernelFaultTest, ARestoreOntoACounterfeitCardNamesTheFirstSectorItLost) {
    constexpr LONGLONG kHalf = kDiskSize / 2;
    WriteBytes(Store() + "/disk.img", Pattern(kDiskSize, 1));
    std::vector<char> bytes = NumberedSectors(kDiskSize, 2);
    std::copy_n(bytes.begin(), 3 * 512, bytes.begin() + kHalf);
    const std::string image = folder / "image.img";
    WriteBytes(image, bytes);
    faults->Counterfeit("disk.img", kHalf);
    OpenLoopDisk("disk.img");
    if (IsSkipped() || HasFatalFailure())
        return;
    const std::string backing =
        RunCommand("cat /sys/block/" + loop->Path().substr(5) + "/loop/backing_file").value_or("");
    ASSERT_EQ(backing, fs::canonical(Mounted("disk.img")).string() + "\n")
        << "the loop device is over the test's own file before anything is written";

    RunJob(&DiskDevice::StartImageRestore, image);
    EXPECT_EQ(device.GetPosition(), 3 * 512);
    ASSERT_EQ(backend.boxes.size(), 1u);
    CString text = Jp("書き込んだ内容と一致しないセクタがあります。").c_str();
    text.AppendFormat("\r\n\r\nLBA  3\r\n%I64d sectors", kHalf / 512 - 3);
    EXPECT_EQ(backend.boxes[0].text, text);
}

} // namespace
