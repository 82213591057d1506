// A restore reads the card back: cards that take writes and keep something else
// (a counterfeit that wraps around at its real size, a worn one that drops a write)
// are named to the sector, and an image whose checksum file (made by sha256sum)
// disagrees is refused before anything is written.
#include "tests/ui/MainWindowFixture.h"

#include "platform/text/Cp932.h"
#include "tests/kernel/TempFolder.h"
#include "tests/support/ErrorBoxes.h"

#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

constexpr DWORD kSector = 512;
constexpr DWORD kChunk = 1024 * kSector;
constexpr ULONGLONG kCard = 16 * kChunk;
constexpr LONGLONG kHalf = kCard / 2;

void CopySectors(std::vector<char>& to, const std::vector<char>& from, LONGLONG lba,
                 LONGLONG count) {
    std::memcpy(to.data() + lba * kSector, from.data() + lba * kSector, count * kSector);
}

void RunTool(const std::string& command) {
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

class RestoreCheckTest : public MainWindowTest {
protected:
    SimulatedDisk& StartOnCard() {
        SimulatedDisk& disk = machine.AddDisk(kCard);
        disk.SetDriveType(DRIVE_REMOVABLE);
        machine.AddLetter('C', disk);
        disk.Fill(0, old.data(), old.size());
        Start();
        Lock();
        disk.ClearCounters();
        return disk;
    }
    void Restore(const std::string& path) {
        backend.fileAnswers.push_back(CString(Jp(path)));
        backend.Click(IDC_RESTORE_IMAGE);
        FinishJob();
    }
    LONGLONG Position() const { return dialog->Device().GetPosition(); }
    // The offsets the sector list's lines begin with.
    std::vector<CString> ListedOffsets() const {
        std::vector<CString> offsets;
        for (const CString& line : backend.Items(IDC_SECTOR_LIST))
            offsets.push_back(line.Left(12));
        return offsets;
    }

    TempFolder folder;
    const std::vector<char> old = NumberedSectors(kCard, 1);
};

CString Mismatch(LONGLONG lba, LONGLONG count) {
    CString text = Jp("書き込んだ内容と一致しないセクタがあります。").c_str();
    text.AppendFormat("\r\n\r\nLBA  %I64d\r\n%I64d sectors", lba, count);
    return text;
}

CString ListOffset(LONGLONG lba) {
    CString offset;
    offset.Format(" %010I64X ", lba * kSector);
    return offset;
}

TEST_F(RestoreCheckTest, TheCheckNamesTheFirstSectorTheCardDidNotKeep) {
    struct Case {
        const char* name;
        bool compressed;
        // Makes the image from the card's old bytes, and the fault.
        std::function<void(std::vector<char>& image, SimulatedDisk& disk, DiskDevice& device)> set;
        LONGLONG position;
        CString box; // the exclamation box, empty for none
        std::vector<CString> listed;
        DWORD error = 0; // the "Error" box
    };
    const Case cases[] = {
        {"kept", false, {}, (kCard / kSector - 1) * kSector, "", {}},
        // The image's first three sectors of each half are alike, so the card
        // holds the right bytes there although the second half landed on them.
        {"counterfeit of half the size",
         false,
         [](std::vector<char>& image, SimulatedDisk& disk, DiskDevice&) {
             std::memcpy(image.data() + kHalf, image.data(), 3 * kSector);
             disk.Counterfeit(kHalf);
         },
         3 * kSector,
         Mismatch(3, kHalf / kSector - 3),
         {ListOffset(3)}},
        // Sectors of the dropped chunk that the image has as the card had them do
        // not differ: two areas, each listed by its first sector.
        {"dropped write",
         false,
         [this](std::vector<char>& image, SimulatedDisk& disk, DiskDevice&) {
             CopySectors(image, old, 5 * 1024, 7);
             CopySectors(image, old, 5 * 1024 + 500, 1);
             disk.DropWrite(5 * kChunk + 100 * kSector);
         },
         (5 * 1024 + 7) * kSector,
         Mismatch(5 * 1024 + 7, 1024 - 8),
         {ListOffset(5 * 1024 + 7), ListOffset(5 * 1024 + 501)}},
        // A compressed image is not decompressed twice: the chunk counts whole.
        {"dropped write, compressed image",
         true,
         [this](std::vector<char>& image, SimulatedDisk& disk, DiskDevice&) {
             CopySectors(image, old, 5 * 1024, 7);
             disk.DropWrite(5 * kChunk + 100 * kSector);
         },
         5 * kChunk,
         Mismatch(5 * 1024, 1024),
         {ListOffset(5 * 1024)}},
        {"read back fails",
         false,
         [](std::vector<char>&, SimulatedDisk& disk, DiskDevice&) {
             disk.FailRead(3 * kChunk + 4096);
         },
         3 * kChunk,
         "",
         {},
         EIO},
        // STOP with the last write: the check ends before its first chunk.
        {"stopped",
         false,
         [](std::vector<char>&, SimulatedDisk& disk, DiskDevice& device) {
             disk.BeforeWriteAt(15 * kChunk, [&device] {
                 PostThreadMessageA(device.GetWorkerThreadId(), WM_JOB_ABORT, 0, 0);
             });
         },
         0,
         "",
         {}},
    };
    SimulatedDisk& disk = StartOnCard();
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        disk.ClearFaults();
        disk.Fill(0, old.data(), old.size());
        backend.boxes.clear();
        std::vector<char> image = NumberedSectors(kCard, 2);
        if (test.set)
            test.set(image, disk, dialog->Device());
        std::string path = folder / "card.img";
        WriteBytes(path, image);
        if (test.compressed) {
            RunTool("gzip -kf " + path);
            path += ".gz";
        }
        Restore(path);

        EXPECT_EQ(Position(), test.position);
        if (test.error != 0) {
            ExpectErrorBox(backend, test.error);
            continue;
        }
        ASSERT_EQ(backend.boxes.size(), test.box.IsEmpty() ? 0u : 1u);
        if (!test.box.IsEmpty()) {
            EXPECT_EQ(backend.boxes[0].text, test.box);
            EXPECT_EQ(backend.boxes[0].type, UINT{MB_OK | MB_ICONEXCLAMATION});
            EXPECT_EQ(ListedOffsets(), test.listed);
        }
    }
}

// Checksum files as sha256sum writes them: beside the image, or a list in its
// folder that names other files too. An image whose byte changed after its
// checksum was made is refused with the card untouched.
TEST_F(RestoreCheckTest, AnImageIsCheckedAgainstTheChecksumFileBesideIt) {
    struct Case {
        const char* name;
        const char* command; // run in the image's folder
        bool changed;
    };
    const Case cases[] = {
        {".sha256", "sha256sum card.img > card.img.sha256", false},
        {".sha256, a byte changed", "sha256sum card.img > card.img.sha256", true},
        {"SHA256SUMS", "sha256sum other.img card.img > SHA256SUMS", false},
        {"SHA256SUMS, a byte changed", "sha256sum other.img card.img > SHA256SUMS", true},
    };
    SimulatedDisk& disk = StartOnCard();
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        TempFolder images;
        disk.Fill(0, old.data(), old.size());
        disk.ClearCounters();
        backend.boxes.clear();
        std::vector<char> image = NumberedSectors(kCard, 2);
        WriteBytes(images / "card.img", image);
        WriteBytes(images / "other.img", old);
        RunTool("cd '" + images.Path() + "' && " + test.command);
        if (test.changed) {
            image[3 * kChunk + 17] ^= 1;
            WriteBytes(images / "card.img", image);
        }
        Restore(images / "card.img");

        const std::vector<char>& held = test.changed ? old : image;
        EXPECT_TRUE(disk.Bytes(0, kCard) == std::vector<BYTE>(held.begin(), held.end()));
        if (test.changed) {
            EXPECT_TRUE(disk.Writes().empty());
            ASSERT_EQ(backend.boxes.size(), 1u);
            EXPECT_EQ(backend.boxes[0].text, Jp("イメージファイルのチェックサムが一致しません。"));
        } else {
            EXPECT_TRUE(backend.boxes.empty());
        }
    }
}

} // namespace
