// Image creation and restore on real files and real loop devices (as root),
// checked with dd, cat, tail and cmp. A test writes only to the loop devices it
// attached over its own files, and makes sure twice that the device it restores
// onto is one of them: once when attached, once just before the restore starts.
#include "device/DiskDevice.h"
#include "platform/framework/HeadlessBackend.h"
#include "platform/framework/UiThread.h"
#include "platform/text/Cp932.h"
#include "tests/jobs/JobHarness.h"
#include "tests/kernel/TempFolder.h"
#include "tests/support/LoopDevice.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kChunk = 512 * 1024;

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

bool Shell(const std::string& command) {
    return RunCommand(command).has_value();
}

bool SameBytes(const std::string& a, const std::string& b) {
    return Shell("cmp " + Quoted(a) + " " + Quoted(b));
}

// What dd reads of a device or file, as the reference to compare with.
std::string DdCopy(const std::string& source, const std::string& target) {
    Shell("dd if=" + Quoted(source) + " of=" + Quoted(target) +
          " iflag=direct bs=512K status=none");
    return target;
}

// The loop device is attached over exactly this file of the test.
bool IsOver(const LoopDevice& loop, const std::string& backing) {
    const std::string name = loop.Path().substr(loop.Path().rfind('/') + 1);
    std::optional<std::string> file = RunCommand("cat /sys/block/" + name + "/loop/backing_file");
    while (file && !file->empty() && file->back() == '\n')
        file->pop_back();
    return loop.Path().rfind("/dev/loop", 0) == 0 && file && *file == fs::canonical(backing);
}

// Runs an action when it leaves scope, passed or failed.
class Undo {
public:
    explicit Undo(std::function<void()> action) : m_action(std::move(action)) {}
    ~Undo() {
        if (m_action)
            m_action();
    }
    Undo(const Undo&) = delete;
    Undo& operator=(const Undo&) = delete;

private:
    std::function<void()> m_action;
};

class ImageOnRealDevices : public ::testing::Test {
protected:
    void RunJob(int (DiskDevice::*start)(const JobParams&), const std::string& text) {
        ASSERT_EQ((device.*start)(WholeDevice(device, text)), 1);
        ASSERT_TRUE(backend.RunUntil([this] { return !device.IsWorkerRunning(); }));
    }
    // Images the device at path into a file of the test, which must hold size bytes
    // and be what dd reads of the device, with a checksum file sha256sum -c accepts;
    // its path.
    std::string CreateImageOf(const std::string& path, std::size_t size) {
        const std::string image = folder / "created.img";
        EXPECT_TRUE(device.OpenDevicePath(path.c_str()));
        RunJob(&DiskDevice::StartImageCreate, image);
        device.CloseDevice();
        EXPECT_EQ(fs::file_size(image), size);
        EXPECT_TRUE(SameBytes(image, DdCopy(path, folder / "dd.img")));
        EXPECT_TRUE(Shell("cd " + Quoted(folder.Path()) + " && sha256sum --strict -c --quiet " +
                          "created.img.sha256"));
        return image;
    }
    // The same of the file itself (sectorSize 0) or of a loop device of that sector
    // size over it; nothing when no loop device can be had, which adds why to skipped.
    std::optional<std::string> CreateImageOn(const std::string& file, DWORD sectorSize,
                                             std::size_t size, std::string& skipped) {
        if (sectorSize == 0)
            return CreateImageOf(file, size);
        const std::unique_ptr<LoopDevice> loop = LoopDevice::Attach(file, sectorSize, skipped);
        if (!loop)
            return std::nullopt;
        return CreateImageOf(loop->Path(), size);
    }
    std::string Backing(const std::string& name, std::size_t size, unsigned seed) {
        const std::string path = folder / name;
        WriteBytes(path, Pattern(size, seed));
        return path;
    }

    framework::HeadlessBackend backend;
    TempFolder folder;
    DiskDevice device;
};

TEST_F(ImageOnRealDevices, ACreatedImageIsWhatDdReads) {
    constexpr std::size_t kSize = 24 * kChunk + 3 * 4096; // a short last chunk
    const std::string file = Backing("card.img", kSize, 1);
    struct Source {
        const char* name;
        DWORD sectorSize; // 0: the file itself
    };
    std::string skipped;
    for (const Source source : {Source{"stand-in file", 0}, Source{"loop device", 512},
                                Source{"loop device of 4096-byte sectors", 4096}}) {
        SCOPED_TRACE(source.name);
        CreateImageOn(file, source.sectorSize, kSize, skipped);
    }
    EXPECT_TRUE(backend.boxes.empty());
    if (!skipped.empty())
        GTEST_SKIP() << "the stand-in file passed; " << skipped;
}

// Bytes a file takes on its disk, as du counts them.
ULONGLONG Allocated(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? ULONGLONG(info.st_blocks) * 512 : 0;
}

// A file of zeros, all hole, with data at the given places.
using Ranges = std::vector<std::pair<std::size_t, std::size_t>>; // offset, length
void WriteScattered(const std::string& path, std::size_t size, const Ranges& data) {
    std::ofstream(path, std::ios::binary | std::ios::trunc);
    fs::resize_file(path, size);
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    for (const auto& [offset, length] : data) {
        const std::vector<char> bytes = Pattern(length, 1);
        file.seekp(static_cast<std::streamoff>(offset));
        file.write(bytes.data(), static_cast<std::streamsize>(length));
    }
}

// Where the drive is zero the image has holes: it is what dd reads, byte for byte,
// and takes on its disk the blocks of the drive's data and at most one more (its
// last byte, written to give it its length).
TEST_F(ImageOnRealDevices, ACreatedImageHasHolesWhereTheDriveIsZero) {
    constexpr std::size_t kSize = 8 * kChunk, kBlock = 4096;
    {
        const std::string probe = folder / "probe";
        WriteScattered(probe, kSize, {});
        if (Allocated(probe) != 0)
            GTEST_SKIP() << "the test folder's file system makes no holes";
    }
    struct Case {
        const char* name;
        Ranges data;
    };
    const Case cases[] = {
        {"all zero", {}},
        {"whole chunks of data between zero chunks", {{kChunk, 2 * kChunk}, {5 * kChunk, kChunk}}},
        {"zero blocks inside a chunk", {{kBlock, kBlock}, {3 * kBlock + 100, 10}}},
        {"data in the last block only", {{kSize - 1, 1}}},
    };
    std::string skipped;
    for (const Case& test : cases) {
        const std::string file = folder / "card.img";
        WriteScattered(file, kSize, test.data);
        ULONGLONG dataBlocks = 0;
        for (const auto& [offset, length] : test.data)
            dataBlocks += (offset + length + kBlock - 1) / kBlock - offset / kBlock;
        for (DWORD sectorSize : {DWORD{0}, DWORD{512}}) {
            SCOPED_TRACE(std::string(test.name) + (sectorSize ? ", loop device" : ", stand-in"));
            if (const auto image = CreateImageOn(file, sectorSize, kSize, skipped)) {
                EXPECT_LE(Allocated(*image), (dataBlocks + 1) * kBlock);
            }
        }
    }
    EXPECT_TRUE(backend.boxes.empty());
    if (!skipped.empty())
        GTEST_SKIP() << "the stand-in files passed; " << skipped;
}

// An image is a file: neither the file of the open stand-in drive nor a device
// is ever taken for one.
TEST_F(ImageOnRealDevices, ACreationNeverWritesOverADrive) {
    const std::string standIn = Backing("card.img", 4 * kChunk, 1);
    const std::string other = Backing("other.img", 4 * kChunk, 2);
    const std::string copies[] = {folder / "card.copy", folder / "other.copy"};
    fs::copy_file(standIn, copies[0]);
    fs::copy_file(other, copies[1]);
    std::string why;
    auto loop = LoopDevice::Attach(other, 512, why);
    ASSERT_TRUE(device.OpenDevicePath(standIn.c_str()));
    for (const std::string& image : {standIn, loop ? loop->Path() : std::string()}) {
        if (image.empty())
            continue;
        SCOPED_TRACE(image);
        backend.boxes.clear();
        RunJob(&DiskDevice::StartImageCreate, image);
        ASSERT_EQ(backend.boxes.size(), 1u);
        EXPECT_EQ(backend.boxes[0].text, Jp("ファイルを作成出来ません。"));
    }
    device.CloseDevice();
    loop.reset();
    EXPECT_TRUE(SameBytes(standIn, copies[0]));
    EXPECT_TRUE(SameBytes(other, copies[1]));
    if (!why.empty())
        GTEST_SKIP() << "the stand-in file passed; " << why;
}

// The device reads back as the image followed by its old bytes; an image that
// ends in part of a sector writes every whole chunk and reports the last.
TEST_F(ImageOnRealDevices, ARestoredDeviceReadsBackAsTheImageAndItsOldTail) {
    constexpr std::size_t kSize = 16 * kChunk + 8192;
    struct Case {
        const char* name;
        std::size_t imageSize;
        std::size_t written;
        DWORD box; // the error code of the "Error" box, 0 for none
    };
    const Case cases[] = {
        {"whole sectors", 5 * kChunk + 4096, 5 * kChunk + 4096, 0},
        {"exactly the device", kSize, kSize, 0},
        {"part of a sector at the end", 2 * kChunk + 1000, 2 * kChunk, ERROR_INVALID_PARAMETER},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        backend.boxes.clear();
        const std::string backing = Backing("card.img", kSize, 1);
        const std::string old = folder / "old.img";
        fs::copy_file(backing, old, fs::copy_options::overwrite_existing);
        const std::string image = Backing("image.img", test.imageSize, 2);
        std::string why;
        auto loop = LoopDevice::Attach(backing, 512, why);
        if (!loop)
            GTEST_SKIP() << why;
        ASSERT_TRUE(IsOver(*loop, backing));

        ASSERT_TRUE(device.OpenDevicePath(loop->Path().c_str()));
        ASSERT_TRUE(IsOver(*loop, backing)) << "checked again before anything is written";
        RunJob(&DiskDevice::StartImageRestore, image);
        EXPECT_EQ(device.GetPosition(), test.box ? LONGLONG{2} * kChunk : LONGLONG(kSize - 512));
        device.CloseDevice();

        const std::string expected = folder / "expected.img";
        ASSERT_TRUE(Shell("({ head -c " + std::to_string(test.written) + " " + Quoted(image) +
                          "; tail -c +" + std::to_string(test.written + 1) + " " + Quoted(old) +
                          "; } > " + Quoted(expected) + ")"));
        EXPECT_TRUE(SameBytes(DdCopy(loop->Path(), folder / "dd.img"), expected));
        ExpectErrorBox(backend, test.box);
    }
}

// sha256sum's checksum beside the image: the intact image is restored, and one
// byte changed in it is refused with the device as cmp found it before.
TEST_F(ImageOnRealDevices, AnImageIsRestoredOnlyWhenItMatchesItsSha256sum) {
    constexpr std::size_t kSize = 8 * kChunk;
    for (const bool changed : {false, true}) {
        SCOPED_TRACE(changed ? "a byte changed" : "intact");
        backend.boxes.clear();
        const std::string backing = Backing("card.img", kSize, 1);
        const std::string before = folder / "before.img";
        fs::copy_file(backing, before, fs::copy_options::overwrite_existing);
        const std::string image = Backing("image.img", kSize, 2);
        ASSERT_TRUE(
            Shell("(cd " + Quoted(folder.Path()) + " && sha256sum image.img > image.img.sha256)"));
        if (changed) {
            ASSERT_TRUE(Shell("printf 'x' | dd of=" + Quoted(image) +
                              " bs=1 seek=1234567 conv=notrunc status=none"));
        }
        std::string why;
        auto loop = LoopDevice::Attach(backing, 512, why);
        if (!loop)
            GTEST_SKIP() << why;
        ASSERT_TRUE(IsOver(*loop, backing));

        ASSERT_TRUE(device.OpenDevicePath(loop->Path().c_str()));
        ASSERT_TRUE(IsOver(*loop, backing)) << "checked again before anything is written";
        RunJob(&DiskDevice::StartImageRestore, image);
        device.CloseDevice();

        EXPECT_TRUE(SameBytes(DdCopy(loop->Path(), folder / "dd.img"), changed ? before : image));
        ASSERT_EQ(backend.boxes.size(), changed ? 1u : 0u);
        if (changed) {
            EXPECT_EQ(backend.boxes[0].text, Jp("イメージファイルのチェックサムが一致しません。"));
        }
    }
}

// A whole disk one of whose partitions is in use opens but is not taken, so
// nothing is restored onto it. The image covers only what lies before the
// first partition, which no file system or swap area touches meanwhile.
TEST_F(ImageOnRealDevices, AWholeDiskWithAPartitionInUseIsNeverRestoredOnto) {
    const std::string backing = Backing("disk.img", 8 << 20, 1);
    ASSERT_TRUE(Shell("printf 'label: dos\\n1MiB,3MiB\\n,\\n' | sfdisk -q " + Quoted(backing)));
    const std::string image = Backing("image.img", 1 << 20, 2);
    std::string why;
    auto loop = LoopDevice::Attach(backing, 512, why);
    if (!loop)
        GTEST_SKIP() << why;
    ASSERT_TRUE(IsOver(*loop, backing));
    // Without the kernel's own partition readers the partitions are added by hand.
    const std::string first = loop->Path() + "p1", second = loop->Path() + "p2";
    if (!fs::exists(first))
        Shell("partx -a " + loop->Path());
    Undo forget([&] { Shell("partx -d " + loop->Path()); });
    if (!fs::exists(first) || !fs::exists(second))
        GTEST_SKIP() << "no partitions appear on " << loop->Path();
    const std::string mountPoint = folder / "mounted";
    fs::create_directory(mountPoint);

    struct Use {
        const char* name;
        std::function<bool()> take; // false when this machine does not allow it
        std::function<void()> give;
    };
    int held = -1;
    const Use uses[] = {
        {"a mounted file system",
         [&] {
             return Shell("mkfs.ext2 -q " + first) &&
                    Shell("mount " + first + " " + Quoted(mountPoint));
         },
         [&] { Shell("umount " + Quoted(mountPoint)); }},
        {"a swap area", [&] { return Shell("mkswap " + second) && Shell("swapon " + second); },
         [&] { Shell("swapoff " + second); }},
        {"another program's exclusive open",
         [&] { return (held = open(first.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC)) >= 0; },
         [&] { close(held); }},
    };
    std::string skipped;
    for (const Use& use : uses) {
        SCOPED_TRACE(use.name);
        const std::string before = DdCopy(loop->Path(), folder / "before.img");
        if (!use.take()) {
            skipped += std::string(use.name) + " cannot be made here; ";
            continue;
        }
        Undo give(use.give);
        backend.boxes.clear();
        EXPECT_FALSE(device.OpenDevicePath(loop->Path().c_str()));
        EXPECT_FALSE(device.IsLocked());
        ExpectErrorBox(backend, ERROR_BUSY);
        backend.boxes.clear();
        ASSERT_TRUE(IsOver(*loop, backing)) << "checked again before the restore starts";
        RunJob(&DiskDevice::StartImageRestore, image);
        device.CloseDevice();
        EXPECT_TRUE(Shell("cmp -n 1048576 " + Quoted(before) + " " +
                          Quoted(DdCopy(loop->Path(), folder / "after.img"))));
    }
    EXPECT_TRUE(backend.boxes.empty());
    if (!skipped.empty())
        GTEST_SKIP() << skipped;
}

// Only the restore writes: every other job leaves a real device as it was. A
// job added to the program belongs in this table.
TEST_F(ImageOnRealDevices, EveryOtherJobLeavesARealDeviceAsItWas) {
    const std::string backing = Backing("card.img", 8 * kChunk, 3);
    const std::string old = folder / "old.img";
    fs::copy_file(backing, old);
    std::string why;
    auto loop = LoopDevice::Attach(backing, 512, why);
    if (!loop)
        GTEST_SKIP() << why;
    ASSERT_TRUE(IsOver(*loop, backing));
    ASSERT_TRUE(device.OpenDevicePath(loop->Path().c_str()));
    struct Job {
        const char* name;
        std::function<void()> run;
    };
    const Job jobs[] = {
        {"searches",
         [&] {
             for (int type : {TEXT_ASCII, TEXT_SJIS, TEXT_UNICODE, SEARCH_HEX, SEARCH_HEX_HEADER}) {
                 device.SetSearchType(type);
                 RunJob(&DiskDevice::StartSearch, "FFD8FF");
             }
         }},
        {"read test", [&] { RunJob(&DiskDevice::StartReadTest, ""); }},
        {"data-sector scan", [&] { RunJob(&DiskDevice::StartDataScan, ""); }},
        {"image creation", [&] { RunJob(&DiskDevice::StartImageCreate, folder / "made.img"); }},
        {"sector reads",
         [&] {
             std::vector<char> sector(512);
             for (LONGLONG at :
                  {LONGLONG{0}, LONGLONG{4096}, static_cast<LONGLONG>(8 * kChunk - 512)}) {
                 device.SetPosition(at);
                 device.ReadAtPosition(sector.data(), 512);
             }
         }},
    };
    for (const Job& job : jobs) {
        SCOPED_TRACE(job.name);
        job.run();
        EXPECT_TRUE(SameBytes(DdCopy(loop->Path(), folder / "now.img"), old));
    }
    device.CloseDevice();
    EXPECT_TRUE(SameBytes(backing, old));
}

} // namespace
