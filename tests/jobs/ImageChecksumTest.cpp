// A created image's checksum file, checked by sha256sum -c, and the read-back of
// the image after its flush, on real files: the image goes to the test's folder,
// or to its FUSE file system where a read may bring other bytes than were written.
#include "jobs/ChecksumFile.h"
#include "platform/framework/Styles.h"
#include "platform/text/Cp932.h"
#include "tests/jobs/JobHarness.h"
#include "tests/kernel/TempFolder.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/LoopDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr LONGLONG kSize = 24 * 512 * 1024; // 24 chunks

// sha256sum -c, as a user runs it in the image's folder, accepts the checksum
// file: it names the image as the folder lists it, and the digest is the file's.
bool Sha256sumAccepts(const std::string& folder, const std::string& image) {
    return RunCommand("cd '" + folder + "' && sha256sum --strict --quiet -c '" + image + ".sha256'")
        .has_value();
}

class ImageChecksumTest : public JobTest {
protected:
    // A drive of kSize bytes holding contents, opened.
    SimulatedDisk& OpenDrive(const std::vector<char>& contents) {
        SimulatedDisk& disk = OpenDisk(kSize);
        disk.Fill(0, contents.data(), contents.size());
        return disk;
    }
    void Create(const std::string& image) {
        ASSERT_EQ(device.StartImageCreate(Range(0, kSize / kSector - 1, image.c_str())), 1);
        WaitForJobEnd();
    }

    TempFolder folder;
};

// Raw, sparse and compressed images, whole or stopped, and one with a Japanese
// name whose second byte in the code page is a backslash: sha256sum -c accepts
// each one's checksum file, and the restore finds the line that names the image.
TEST_F(ImageChecksumTest, Sha256sumAcceptsTheChecksumOfEveryCreatedImage) {
    struct Case {
        const char* name; // UTF-8
        bool sparse;      // mostly zero, ending in zeros
        bool stopped;
    };
    const Case cases[] = {
        {"raw.img", false, false},     {"sparse.img", true, false},
        {"made.img.xz", false, false}, {"made.img.zst", true, false},
        {"stopped.img", true, true},   {"stopped.img.zst", false, true},
        {"画像ソ.img", false, false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        backend.boxes.clear();
        std::vector<char> contents = Pattern(kSize, 4);
        if (test.sparse) {
            std::fill(contents.begin(), contents.begin() + 3 * kChunk, 0);
            std::fill(contents.begin() + 4 * kChunk + 4096, contents.end(), 0);
        }
        SimulatedDisk& disk = OpenDrive(contents);
        if (test.stopped) {
            disk.BeforeReadAt(12 * kChunk, [this] {
                PostThreadMessageA(device.GetWorkerThreadId(), WM_JOB_ABORT, 0, 0);
            });
        }
        const std::string image = folder / Jp(test.name);
        Create(image);
        EXPECT_TRUE(backend.boxes.empty());
        EXPECT_EQ(device.GetPosition() < LONGLONG(kSize) - LONGLONG(kSector), test.stopped);
        EXPECT_TRUE(Sha256sumAccepts(folder.Path(), test.name));
        EXPECT_FALSE(ExpectedSha256(image.c_str()).empty());
        device.CloseDevice();
    }
}

// The image goes to the test's FUSE file system, which can make a read of it
// bring other bytes than were written.
class ImageReadBackTest : public ImageChecksumTest {
protected:
    void SetUp() override {
        std::string why;
        faults = FaultyFileSystem::Mount(folder / "store", folder / "mnt", why);
        if (!faults)
            GTEST_SKIP() << why;
        OpenDrive(Pattern(kSize, 8));
    }

    std::unique_ptr<FaultyFileSystem> faults;
};

// A byte the image reads back changed: the box names the sector it is in, the
// position stands there, and the checksum file is still that of what was
// written, as sha256sum finds the file in the store below the mount.
TEST_F(ImageReadBackTest, AnImageThatReadsBackOtherwiseNamesTheFirstDifferingSector) {
    const ULONGLONG offsets[] = {100, 5 * kChunk + 7 * 512 + 3, kSize - 1};
    for (const ULONGLONG offset : offsets) {
        SCOPED_TRACE(offset);
        backend.boxes.clear();
        const std::string name = "made" + std::to_string(offset) + ".img";
        faults->CorruptReads(name, offset);
        Create(folder / ("mnt/" + name));
        const LONGLONG sector = static_cast<LONGLONG>(offset / kSector);
        ASSERT_EQ(backend.boxes.size(), 1u);
        EXPECT_EQ(backend.boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
        EXPECT_EQ(backend.boxes[0].text,
                  Jp("イメージファイルの内容がドライブと一致しません。\r\n\r\nLBA  " +
                     std::to_string(sector)));
        EXPECT_EQ(device.GetPosition(), sector * LONGLONG(kSector));
        EXPECT_TRUE(Sha256sumAccepts(folder / "store", name));
    }
}

// A stop while the image is read back ends the pass before the next chunk, with
// no box; the image and its checksum file stay whole.
TEST_F(ImageReadBackTest, AStopDuringTheReadBackEndsItWithoutABox) {
    faults->HoldReads("made.img", 3 * kChunk);
    const std::string image = folder / "mnt/made.img";
    ASSERT_EQ(device.StartImageCreate(Range(0, kSize / kSector - 1, image.c_str())), 1);
    ASSERT_TRUE(faults->WaitForHeldRead());
    PostThreadMessageA(device.GetWorkerThreadId(), WM_JOB_ABORT, 0, 0);
    faults->LetReadsGo();
    WaitForJobEnd();
    EXPECT_TRUE(backend.boxes.empty());
    EXPECT_EQ(device.GetPosition() % kChunk, 0);
    EXPECT_LE(device.GetPosition(), 4 * kChunk);
    EXPECT_EQ(fs::file_size(folder / "store/made.img"), ULONGLONG(kSize));
    EXPECT_TRUE(Sha256sumAccepts(folder / "store", "made.img"));
}

} // namespace
