// Restoring images compressed by the xz, gzip, zstd and bzip2 programs: what they
// hold reaches the disk, their size is checked before anything is written, and a
// corrupt or cut-off stream fails on the chunk where it fails. Images Kolm
// compresses decompress with those programs to the drive's bytes. The programs are
// run as a user would run them; a test skips when one is missing.
#include "device/DiskDevice.h"
#include "platform/compress/Compression.h"
#include "platform/framework/HeadlessBackend.h"
#include "platform/text/Cp932.h"
#include "tests/jobs/JobHarness.h"
#include "tests/kernel/TempFolder.h"
#include "tests/support/LoopDevice.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Tool {
    const char* name;
    const char* program;
    const char* command; // compresses standard input to standard output
    bool fromFile;       // given the file by name, so that it may record the size
};

// zstd records the size only of a file it is given by name; gzip and bzip2 never.
const Tool kTools[] = {
    {"xz", "xz", "xz -T0 -c", true},
    {"gzip", "gzip", "gzip -c", false},
    {"zstd", "zstd", "zstd -q -c", true},
    {"zstd from a pipe", "zstd", "zstd -q -c", false},
    {"bzip2", "bzip2", "bzip2 -c", false},
    // Small blocks, and a second stream after the first as pbzip2 and lbzip2 write them.
    {"bzip2, two streams", "bzip2",
     "{ t=$(mktemp); cat > \"$t\"; head -c 700000 \"$t\" | bzip2 -1 -c;"
     " tail -c +700001 \"$t\" | bzip2 -1 -c; rm -f \"$t\"; }",
     false},
};

bool Have(const Tool& tool) {
    return RunCommand(std::string("command -v ") + tool.program).has_value();
}

// The raw image compressed by the tool, beside it.
std::string Compress(const Tool& tool, const std::string& raw, const std::string& compressed) {
    const std::string input = tool.fromFile ? " '" + raw + "'" : " < '" + raw + "'";
    // In a group: RunCommand sends the group's own output elsewhere.
    EXPECT_TRUE(
        RunCommand("{ " + std::string(tool.command) + input + " > '" + compressed + "'; }"));
    return compressed;
}

// Whether the image's format records its size, which spares the restore its count.
bool RecordsSize(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    HANDLE stream = CreateDecompressor(file, GetCompressionFormat(file));
    LARGE_INTEGER size{};
    const bool recorded = GetFileSizeEx(stream, &size) != FALSE;
    CloseHandle(stream);
    return recorded;
}

class CompressedImageTest : public JobTest {
protected:
    void Restore(const std::string& path) {
        ASSERT_EQ(device.StartImageRestore(Range(0, device.GetLastLba(), path.c_str())), 1);
        WaitForJobEnd();
    }

    TempFolder folder;
};

class CompressedImageOnRealDevices : public ::testing::Test {
protected:
    framework::HeadlessBackend backend;
    TempFolder folder;
    DiskDevice device;
};

// The disk holds the image's bytes and then its old ones, checked by cmp on a
// loop device as root and on a stand-in file otherwise. The image has zero
// chunks, a part chunk at its end and a Japanese name.
TEST_F(CompressedImageOnRealDevices, ImagesOfTheToolsRestoreToWhatTheyHold) {
    constexpr std::size_t kChunk = 512 * 1024, kDisk = 16 * kChunk, kImage = 5 * kChunk + 4096;
    std::vector<char> bytes = Pattern(kImage, 4);
    std::fill(bytes.begin() + kChunk, bytes.begin() + 3 * kChunk, 0);
    const std::string raw = folder / "raw.img";
    WriteBytes(raw, bytes);
    std::string why;
    for (const Tool& tool : kTools) {
        SCOPED_TRACE(tool.name);
        if (!Have(tool)) {
            ADD_FAILURE() << tool.program << " is missing: scripts/setup installs it";
            continue;
        }
        const std::string name = Jp("表予ソ能十.img.") + tool.program; // code page 932
        const std::string image = Compress(tool, raw, folder / text::ToUtf8(name));
        const std::string backing = folder / "card.img";
        WriteBytes(backing, Pattern(kDisk, 9));
        const std::string old = folder / "old.img";
        fs::copy_file(backing, old, fs::copy_options::overwrite_existing);
        auto loop = LoopDevice::Attach(backing, 512, why);
        const std::string target = loop ? loop->Path() : backing;
        ASSERT_TRUE(device.OpenDevicePath(target.c_str()));
        backend.boxes.clear();
        JobParams params;
        params.nSectorSize = device.GetBytesPerSector();
        params.llFirstLba = 0;
        params.llLastLba = device.GetLastLba();
        params.strText = (folder / name).c_str();
        ASSERT_EQ(device.StartImageRestore(params), 1);
        ASSERT_TRUE(backend.RunUntil([this] { return !device.IsWorkerRunning(); }));
        device.CloseDevice();
        EXPECT_TRUE(backend.boxes.empty());
        const std::string read = "dd if='" + target + "' iflag=direct bs=512K status=none | cmp ";
        EXPECT_TRUE(RunCommand(read + "-n " + std::to_string(kImage) + " - '" + raw + "'"));
        EXPECT_TRUE(RunCommand(read + "-i " + std::to_string(kImage) + " - '" + old + "'"));
    }
    if (!why.empty())
        GTEST_SKIP() << "the stand-in files passed; " << why;
}

// The decompressed size decides, whether the format records it or it is counted:
// an image exactly as large as the disk is written whole, one sector larger is
// refused before anything is written, with the position where it was.
TEST_F(CompressedImageTest, TheSizeCheckUsesTheDecompressedSize) {
    constexpr ULONGLONG kDisk = 8 * kChunk;
    for (const Tool& tool : kTools) {
        if (!Have(tool))
            continue;
        for (const ULONGLONG size : {kDisk, kDisk + 512}) {
            SCOPED_TRACE(std::string(tool.name) + ", " + std::to_string(size));
            backend.boxes.clear();
            SimulatedDisk& disk = OpenDisk(kDisk);
            const std::string raw = folder / "raw.img";
            WriteBytes(raw, Pattern(size, 3));
            const std::string image = Compress(tool, raw, folder / "image.img");
            device.SetPosition(4096);
            Restore(image);
            if (size == kDisk) {
                EXPECT_TRUE(backend.boxes.empty());
                EXPECT_EQ(disk.Writes().size(), 8u);
                EXPECT_EQ(device.GetPosition(), LONGLONG(kDisk - 512));
            } else {
                ASSERT_EQ(backend.boxes.size(), 1u);
                EXPECT_EQ(backend.boxes[0].text, Jp("容量が足りません"));
                EXPECT_TRUE(disk.Writes().empty());
                EXPECT_EQ(device.GetPosition(), 4096);
            }
            device.CloseDevice();
        }
    }
}

// A stream cut short or damaged is a failed read of the image: the "Error" box
// says which, the position stands on the chunk that failed (of the count or of
// the copy) and nothing from it on reaches the disk. Where the size must be counted the count finds
// the fault and nothing is written at all; an image ending in part of a sector is refused at that
// chunk, as a raw one is. A byte changed in the last block is found by the check
// after it, before the last chunk is written.
TEST_F(CompressedImageTest, ADamagedStreamFailsOnTheChunkThatFailed) {
    constexpr ULONGLONG kDisk = 16 * kChunk, kImage = 12 * kChunk;
    struct Damage {
        const char* name;
        std::size_t imageSize;
        void (*damage)(const std::string& path);
        DWORD box;
        bool lastChunk = false; // the fault is found on the image's last chunk
    };
    const Damage damages[] = {
        {"cut in half", kImage,
         [](const std::string& path) { fs::resize_file(path, fs::file_size(path) / 2); },
         ERROR_TRUNCATED_DATA},
        {"bytes overwritten in the middle", kImage,
         [](const std::string& path) {
             std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
             file.seekp(static_cast<std::streamoff>(fs::file_size(path) / 2));
             file.write(std::string(64, '\x55').data(), 64);
         },
         ERROR_INVALID_DATA},
        {"a byte of the last block changed", kImage,
         [](const std::string& path) {
             // Changed whatever it was: a byte overwritten might already have held the value.
             std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
             const auto at = static_cast<std::streamoff>(fs::file_size(path) - 100);
             file.seekg(at);
             const char byte = static_cast<char>(file.get() ^ 0x01);
             file.seekp(at);
             file.put(byte);
         },
         ERROR_INVALID_DATA, true},
        {"a part sector at the end", 2 * kChunk + 1000, [](const std::string&) {},
         ERROR_INVALID_PARAMETER, true},
    };
    std::vector<char> bytes = Pattern(kImage, 5);
    // Data no program can squeeze: the damage lands inside the chunks, not at once.
    std::ifstream("/dev/urandom", std::ios::binary).read(bytes.data(), kImage);
    for (const Tool& tool : kTools) {
        if (!Have(tool))
            continue;
        for (const Damage& damage : damages) {
            SCOPED_TRACE(std::string(tool.name) + ", " + damage.name);
            backend.boxes.clear();
            SimulatedDisk& disk = OpenDisk(kDisk);
            const std::vector<char> old = Pattern(kDisk, 1);
            disk.Fill(0, old.data(), old.size());
            const std::string raw = folder / "raw.img";
            WriteBytes(raw, {bytes.begin(), bytes.begin() + damage.imageSize});
            const std::string image = Compress(tool, raw, folder / "image.img");
            damage.damage(image);
            Restore(image);
            ExpectErrorBox(backend, damage.box);
            const LONGLONG position = device.GetPosition();
            EXPECT_EQ(position % kChunk, 0);
            EXPECT_LT(position, LONGLONG(damage.imageSize));
            // bzip2 checks each block before any of it comes out: it fails on the
            // chunk where the damaged block begins.
            if (damage.lastChunk && std::string_view(tool.program) != "bzip2") {
                EXPECT_EQ(position, LONGLONG((damage.imageSize - 1) / kChunk * kChunk));
            }
            // The chunks before the failing one were written, whole; none where the
            // image, as damaged, records no size and the count found the fault (a part
            // sector decompresses well and is found by the copy); nothing after them.
            const bool countFoundIt = !RecordsSize(image) && damage.box != ERROR_INVALID_PARAMETER;
            const ULONGLONG written = disk.Writes().size() * kChunk;
            EXPECT_EQ(written, countFoundIt ? 0 : ULONGLONG(position));
            EXPECT_TRUE(disk.Bytes(written, kDisk - written) ==
                        std::vector<BYTE>(old.begin() + written, old.end()));
            // Bytes of a damaged block may be written before the check at the
            // block's end finds the damage; a stream cut short is good up to its cut.
            if (damage.box != ERROR_INVALID_DATA) {
                EXPECT_TRUE(disk.Bytes(0, written) ==
                            std::vector<BYTE>(bytes.begin(), bytes.begin() + written));
            }
            device.CloseDevice();
        }
    }
}

// A name ending in ".zst", ".xz" or ".gz" gets an image the program of that
// format decompresses to exactly the drive's bytes, completed or stopped (then the
// chunks copied so far, as a complete stream); any other name a raw image.
TEST_F(CompressedImageTest, CreatedImagesDecompressWithTheToolsToTheDrivesBytes) {
    constexpr ULONGLONG kSize = 24 * kChunk;
    struct Case {
        const char* extension;
        const char* decompress; // nullptr: a raw image
    };
    const Case cases[] = {
        {".img.zst", "zstd -q -d -c"}, {".img.xz", "xz -d -c"}, {".img.gz", "gzip -d -c"},
        {".img.bz2", nullptr},         {".img", nullptr},
    };
    std::vector<char> contents = Pattern(kSize, 6);
    std::fill(contents.begin() + 4 * kChunk, contents.begin() + 8 * kChunk, 0);
    const std::string raw = folder / "drive.img";
    WriteBytes(raw, contents);
    for (const Case& test : cases) {
        for (const bool stopped : {false, true}) {
            SCOPED_TRACE(std::string(test.extension) + (stopped ? ", stopped" : ""));
            backend.boxes.clear();
            SimulatedDisk& disk = OpenDisk(kSize);
            disk.Fill(0, contents.data(), contents.size());
            disk.BeforeReadAt(10 * kChunk, [this, stopped] {
                if (stopped)
                    PostThreadMessageA(device.GetWorkerThreadId(), WM_JOB_ABORT, 0, 0);
            });
            const std::string image = folder / (std::string("made") + test.extension);
            ASSERT_EQ(device.StartImageCreate(Range(0, kSize / kSector - 1, image.c_str())), 1);
            WaitForJobEnd();
            EXPECT_TRUE(backend.boxes.empty());
            const LONGLONG copied = stopped ? device.GetPosition() : LONGLONG(kSize);
            EXPECT_GT(copied, 0);
            EXPECT_EQ(copied < LONGLONG(kSize), stopped);
            const std::string out = folder / "out.img";
            if (test.decompress != nullptr) {
                ASSERT_TRUE(RunCommand("{ " + std::string(test.decompress) + " '" + image +
                                       "' > '" + out + "'; }"));
            } else {
                fs::copy_file(image, out, fs::copy_options::overwrite_existing);
            }
            EXPECT_EQ(fs::file_size(out), ULONGLONG(copied));
            EXPECT_TRUE(
                RunCommand("cmp -n " + std::to_string(copied) + " '" + out + "' '" + raw + "'"));
            device.CloseDevice();
        }
    }
}

} // namespace
