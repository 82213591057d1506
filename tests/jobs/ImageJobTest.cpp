// Image creation and restore on the simulated machine, with real image files:
// chunks, the position each outcome leaves, the messages, and what is left on
// the device and in the file.
#include "platform/text/Cp932.h"
#include "tests/jobs/JobHarness.h"
#include "tests/kernel/TempFolder.h"

#include <sys/resource.h>

#include <csignal>
#include <functional>
#include <string>
#include <vector>

namespace {

using sim::Transfer;
namespace fs = std::filesystem;

std::vector<BYTE> AsBytes(const std::vector<char>& chars) {
    return {chars.begin(), chars.end()};
}

// Every transfer follows the one before; all but the last are one chunk long.
void ExpectChunks(const std::vector<Transfer>& transfers, std::size_t count, DWORD length,
                  DWORD last) {
    ASSERT_EQ(transfers.size(), count);
    for (std::size_t i = 0; i < count; ++i)
        ASSERT_EQ(transfers[i], (Transfer{i * ULONGLONG{length}, i + 1 < count ? length : last}))
            << "transfer " << i;
}

// Writes beyond a size fail for this process while it lives (EFBIG, as on a full
// file system), without the signal that would end it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

class ImageJobTest : public JobTest {
protected:
    void Create(const std::string& path, LONGLONG first, LONGLONG last) {
        ASSERT_EQ(device.StartImageCreate(Range(first, last, path.c_str())), 1);
        WaitForJobEnd();
    }
    void Restore(const std::string& path) {
        ASSERT_EQ(device.StartImageRestore(Range(0, device.GetLastLba(), path.c_str())), 1);
        WaitForJobEnd();
    }
    std::vector<CString> BoxTexts() const {
        std::vector<CString> texts;
        for (const auto& box : backend.boxes)
            texts.push_back(box.text);
        return texts;
    }

    TempFolder folder;
};

// A folder in memory where the machine has one: the billion-byte image is
// written there in a fraction of the time a disk takes.
fs::path FastFolder() {
    return fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
}

TEST_F(ImageJobTest, ChunksOfAFloppyAndOfAMillionKilobytes) {
    struct Case {
        ULONGLONG size;
        std::size_t chunks;
        DWORD length;
        DWORD last;
    };
    const Case cases[] = {
        {1474560, 720, 2048, 2048},
        {1000000000, 1908, 524288, 182784},
    };
    TempFolder fast(FastFolder());
    for (const Case& test : cases) {
        SCOPED_TRACE(test.size);
        SimulatedDisk& source = OpenDisk(test.size);
        const ULONGLONG marks[] = {0, test.size / 2 + 512, test.size - 512};
        for (ULONGLONG offset : marks)
            source.Fill(offset, "sector at " + std::to_string(offset));
        const LONGLONG last = static_cast<LONGLONG>(test.size / 512 - 1);
        const std::string image = fast / "disk.img";

        Create(image, 0, last);
        ExpectChunks(sim::ByOffset(source.Reads()), test.chunks, test.length, test.last);
        EXPECT_EQ(fs::file_size(image), test.size);
        EXPECT_EQ(device.GetPosition(), last * 512);

        device.CloseDevice();
        SimulatedDisk& target = OpenDisk(test.size);
        Restore(image);
        ExpectChunks(target.Writes(), test.chunks, test.length, test.last);
        for (ULONGLONG offset : marks)
            EXPECT_EQ(target.Bytes(offset, 512), source.Bytes(offset, 512)) << offset;
        EXPECT_EQ(device.GetPosition(), last * 512);
        EXPECT_TRUE(backend.boxes.empty());
        device.CloseDevice();
        fs::remove(image);
    }
}

// A creation writes the image file whatever ends it: a failed read or write
// leaves the chunks before it and the position on the last sector.
TEST_F(ImageJobTest, CreationOutcomes) {
    constexpr LONGLONG kLast = 8 * 1024 - 1; // 8 chunks
    struct Case {
        const char* name;
        std::function<void(SimulatedDisk&)> fault;
        rlim_t fileLimit; // 0: none
        LONGLONG fileSize;
        LONGLONG position;
        DWORD box;         // the error code of the "Error" box, 0 for none
        bool asks = false; // a read error: whether to go on, answered "No"
    };
    const Case cases[] = {
        {"completed", {}, 0, 8 * kChunk, kLast * 512, 0},
        {"device read fails", [](SimulatedDisk& d) { d.FailRead(2 * kChunk + 4096); }, 0,
         2 * kChunk, kLast * 512, EIO, true},
        {"device read brings nothing", [](SimulatedDisk& d) { d.ShortenRead(2 * kChunk); }, 0,
         2 * kChunk, kLast * 512, ERROR_HANDLE_EOF, true},
        {"file write fails", {}, 3 * kChunk, 3 * kChunk, kLast * 512, EFBIG},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        backend.boxes.clear();
        SimulatedDisk& disk = OpenDisk(8 * kChunk);
        const std::vector<char> contents = Pattern(8 * kChunk, 3);
        disk.Fill(0, contents.data(), contents.size());
        if (test.fault)
            test.fault(disk);
        const std::string image = folder / "disk.img";
        {
            std::optional<FileSizeLimit> limit;
            if (test.fileLimit != 0)
                limit.emplace(test.fileLimit);
            Create(image, 0, kLast);
        }
        const std::vector<char> written = ReadBytes(image);
        ASSERT_EQ(static_cast<LONGLONG>(written.size()), test.fileSize);
        EXPECT_TRUE(std::equal(written.begin(), written.end(), contents.begin()));
        EXPECT_EQ(device.GetPosition(), test.position);
        if (test.asks)
            ExpectErrorBoxAndQuestion(backend, test.box);
        else
            ExpectErrorBox(backend, test.box);
        device.CloseDevice();
    }
}

// A stop leaves the file holding exactly the chunks copied, and the position on
// the first chunk not copied. The stop is posted while a chunk is being read; the
// chunks read ahead of the job make where it lands vary by a chunk or two. The
// chunks from the third on are zero, so the file ends in a hole and still has the
// length of what was copied.
TEST_F(ImageJobTest, StoppedCreationLeavesTheChunksCopiedSoFar) {
    SimulatedDisk& disk = OpenDisk(64 << 20);
    std::vector<char> contents = Pattern(64 << 20, 5);
    std::fill(contents.begin() + 2 * kChunk, contents.begin() + 16 * kChunk, 0);
    disk.Fill(0, contents.data(), contents.size());
    disk.BeforeReadAt(
        6 * kChunk, [this] { PostThreadMessageA(device.GetWorkerThreadId(), WM_JOB_ABORT, 0, 0); });
    const std::string image = folder / "stopped.img";
    Create(image, 0, (64 << 20) / 512 - 1);

    const LONGLONG position = device.GetPosition();
    EXPECT_EQ(position % kChunk, 0);
    EXPECT_GE(position, 4 * kChunk);
    EXPECT_LE(position, 7 * kChunk);
    const std::vector<char> written = ReadBytes(image);
    EXPECT_EQ(static_cast<LONGLONG>(written.size()), position);
    EXPECT_TRUE(std::equal(written.begin(), written.end(), contents.begin()));
    EXPECT_TRUE(backend.boxes.empty());
}

// Nothing is read, no position moves and, but for the file that could not be
// made, no file is left.
TEST_F(ImageJobTest, CreationThatNeverStarts) {
    SimulatedDisk& disk = machine.AddDisk(8 * kChunk);
    SimulatedDisk& other = machine.AddDisk(8 * kChunk);
    device.RefreshDriveList();
    const std::string image = folder / "never.img";
    struct Case {
        const char* name;
        bool locked;
        std::string path;
        LONGLONG first, last;
        std::vector<CString> boxes;
    };
    const Case cases[] = {
        {"not locked", false, image, 0, 100, {}},
        {"reversed range", true, image, 9, 8, {}},
        {"no such folder",
         true,
         folder / "missing/never.img",
         0,
         100,
         {Jp("ファイルを作成出来ません。").c_str()}},
        {"a folder", true, folder.Path(), 0, 100, {Jp("ファイルを作成出来ません。").c_str()}},
        {"a device", true, other.Path(), 0, 100, {Jp("ファイルを作成出来ません。").c_str()}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        backend.boxes.clear();
        if (!test.locked)
            disk.RefuseDismount();
        device.OpenPhysicalDrive(disk.Number());
        backend.boxes.clear(); // a device not taken says so at the open
        disk.ClearFaults();
        disk.ClearCounters();
        device.SetPosition(4096);
        Create(test.path, test.first, test.last);
        EXPECT_TRUE(disk.Reads().empty());
        EXPECT_TRUE(other.Writes().empty());
        EXPECT_EQ(device.GetPosition(), 4096);
        EXPECT_EQ(BoxTexts(), test.boxes);
        EXPECT_FALSE(fs::exists(image));
        device.CloseDevice();
    }
}

// What a restore leaves: the chunks written before it ended, the device's old
// bytes after them, and the position on the first chunk not written.
TEST_F(ImageJobTest, RestoreOutcomes) {
    constexpr ULONGLONG kDisk = 16 * kChunk;
    struct Scene {
        DiskDevice& device;
        SimulatedDisk& disk;
        std::string image;
    };
    struct Case {
        const char* name;
        std::size_t imageSize;
        std::function<void(const Scene&)> fault;
        std::size_t writes; // transfers the disk received
        ULONGLONG written;  // bytes of the image on the disk afterwards
        LONGLONG position;
        DWORD box; // the error code of the "Error" box, 0 for none
    };
    const Case cases[] = {
        {"completed", 5 * kChunk, {}, 5, 5 * kChunk, (kDisk / 512 - 1) * 512, 0},
        {"exactly the device", kDisk, {}, 16, kDisk, (kDisk / 512 - 1) * 512, 0},
        {"empty image", 0, {}, 0, 0, (kDisk / 512 - 1) * 512, 0},
        {"stopped", 5 * kChunk,
         [](const Scene& s) {
             s.disk.BeforeWriteAt(2 * kChunk, [&device = s.device] {
                 PostThreadMessageA(device.GetWorkerThreadId(), WM_JOB_ABORT, 0, 0);
             });
         },
         3, 3 * kChunk, 3 * kChunk, 0},
        {"device write fails", 5 * kChunk,
         [](const Scene& s) { s.disk.FailWrite(2 * kChunk + 4096); }, 3, 2 * kChunk, 2 * kChunk,
         EIO},
        {"device write stops short", 5 * kChunk,
         [](const Scene& s) { s.disk.ShortenWrite(2 * kChunk + 4096); }, 3, 2 * kChunk + 4096,
         2 * kChunk, ERROR_DISK_FULL},
        // The file shrinks under the job while its first chunk is written; the
        // chunks read ahead by then lie within what is left of it.
        {"image ends early", 5 * kChunk,
         [](const Scene& s) {
             s.disk.BeforeWriteAt(0, [image = s.image] { fs::resize_file(image, 3 * kChunk); });
         },
         3, 3 * kChunk, 3 * kChunk, ERROR_HANDLE_EOF},
        // An unbuffered device takes whole sectors only: the last, part-sector
        // chunk is refused before it reaches the disk.
        {"image of part sectors",
         2 * kChunk + 1000,
         {},
         2,
         2 * kChunk,
         2 * kChunk,
         ERROR_INVALID_PARAMETER},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        backend.boxes.clear();
        SimulatedDisk& disk = OpenDisk(kDisk);
        const std::vector<char> old = Pattern(kDisk, 1);
        disk.Fill(0, old.data(), old.size());
        const std::vector<char> contents = Pattern(test.imageSize, 2);
        const std::string image = folder / "image.img";
        WriteBytes(image, contents);
        if (test.fault)
            test.fault(Scene{device, disk, image});
        Restore(image);

        EXPECT_EQ(disk.Writes().size(), test.writes);
        std::vector<BYTE> expected = AsBytes(old);
        std::copy(contents.begin(), contents.begin() + test.written, expected.begin());
        EXPECT_TRUE(disk.Bytes(0, kDisk) == expected);
        EXPECT_EQ(device.GetPosition(), test.position);
        ExpectErrorBox(backend, test.box);
        device.CloseDevice();
    }
}

// The device is never written and the position stays where it was.
TEST_F(ImageJobTest, RestoreThatNeverWrites) {
    SimulatedDisk& disk = machine.AddDisk(8 * kChunk);
    SimulatedDisk& gone = machine.AddDisk(4 * kChunk); // an image whose size cannot be read
    gone.FailSize();
    device.RefreshDriveList();
    const std::string image = folder / "image.img";
    const std::string missing = folder / "missing.img";
    // Either the disk is not taken when it is opened, or the job refuses to start.
    using Hold = std::function<void(SimulatedDisk&)>;
    const Hold mounted = [](SimulatedDisk& d) { d.SetMounted(true); };
    const Hold claimed = [](SimulatedDisk& d) { d.RefuseLock(ERROR_BUSY); };
    constexpr LONGLONG kLast = 8 * 1024 - 1;
    struct Case {
        const char* name;
        Hold hold;
        std::string path;
        std::size_t imageSize;
        LONGLONG first;
        std::vector<CString> boxes;
    };
    const Case cases[] = {
        {"mounted", mounted, image, kChunk, 0, {}},
        {"claimed by another program", claimed, image, kChunk, 0, {}},
        {"reversed range", {}, image, kChunk, kLast + 1, {}},
        {"no such file",
         {},
         missing,
         kChunk,
         0,
         {(missing + Jp("ファイルを開けません。")).c_str()}},
        {"one byte larger than the device",
         {},
         image,
         8 * kChunk + 1,
         0,
         {Jp("容量が足りません").c_str()}},
        {"size cannot be read", {}, gone.Path(), 0, 0, {SystemText(ENODEV)}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        backend.boxes.clear();
        WriteBytes(image, Pattern(test.imageSize, 2));
        if (test.hold)
            test.hold(disk);
        EXPECT_EQ(device.OpenPhysicalDrive(disk.Number()), test.hold ? FALSE : TRUE);
        backend.boxes.clear(); // a device not taken says so at the open
        disk.ClearFaults();
        disk.SetMounted(false);
        disk.ClearCounters();
        device.SetPosition(4096);
        ASSERT_EQ(device.StartImageRestore(Range(test.first, kLast, test.path.c_str())), 1);
        WaitForJobEnd();
        EXPECT_TRUE(disk.Writes().empty());
        EXPECT_EQ(device.GetPosition(), 4096);
        EXPECT_EQ(BoxTexts(), test.boxes);
        device.CloseDevice();
    }
}

// The free space of the folder that will hold the image, less the image one
// sector short; 0 when that folder cannot be asked, with the query's error.
TEST_F(ImageJobTest, FreeSpaceIsAskedOfTheImagesFolder) {
    machine.SetFreeSpace("/media/card/", 5000000000);
    machine.SetFreeSpace("/media/card/disk.img", 1); // asked of the file, not its folder
    machine.SetFreeSpace(text::ToUtf8(Jp("/media/日本語/")), 3000000000);
    machine.FailFreeSpace("/offline/");
    machine.SetFreeSpace(".", 2000000000);
    struct Case {
        std::string path;
        LONGLONG first, last;
        LONGLONG expected;
    };
    const Case cases[] = {
        {"/media/card/disk.img", 0, 2879, 5000000000 - 2879 * 512},
        {"/media/card/disk.img", 100, 100, 5000000000},
        {Jp("/media/日本語/画像.img"), 0, 2879, 3000000000 - 2879 * 512},
        {"/offline/disk.img", 0, 2879, 0},
        {"disk.img", 0, 1, 2000000000 - 512},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.path);
        JobParams params = Range(test.first, test.last, test.path.c_str());
        SetLastError(EIO); // an earlier failure, which must not be taken for this one's
        EXPECT_EQ(device.GetFreeSpaceAfterImage(params), test.expected);
        EXPECT_EQ(GetLastError(), test.expected == 0 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS);
    }
}

// A restore may bring other partitions: the line's index is built again, here over
// a blank disk that a restore gives the GPT sfdisk wrote into the image.
TEST_F(ImageJobTest, ARestoredPartitionTableIsWhatTheLineNamesNext) {
    OpenDisk(16 * kChunk);
    device.DescribeSector(0);
    device.WaitForSectorOwners();
    EXPECT_EQ(device.DescribeSector(1), CString("whole disk (unknown file system)"));
    const std::string image = folder.Path() + "/gpt.img";
    ASSERT_EQ(std::system(("truncate -s 4M " + image + " && echo 'label: gpt' | sfdisk -q " +
                           image + " >/dev/null 2>&1")
                              .c_str()),
              0);
    Restore(image);
    device.DescribeSector(0);
    device.WaitForSectorOwners();
    EXPECT_EQ(device.DescribeSector(1), CString("GPT header"));
}

} // namespace
