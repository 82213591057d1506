// Buttons 1025 "作成" and 1026 "復元" on a removable simulated disk, with real
// image files: the file dialogs, the free-space rule, STOP, and what is written.
#include "tests/ui/MainWindowFixture.h"

#include "jobs/RescueMap.h"
#include "platform/framework/CommonDialogs.h"
#include "platform/framework/WindowBackend.h"
#include "platform/text/Cp932.h"
#include "tests/kernel/TempFolder.h"

#include <filesystem>
#include <optional>

namespace {

namespace fs = std::filesystem;

constexpr ULONGLONG kDisk = 4 << 20;
constexpr LONGLONG kLastLba = kDisk / 512 - 1;
constexpr char kFilter[] = "Disk Image(*.img)|*.img||";
constexpr char kRestoreFilter[] =
    "Disk Image(*.img)|*.img|Compressed Disk Image(*.img.xz;*.img.gz;*.img.zst;*.img.bz2)|"
    "*.img.xz;*.img.gz;*.img.zst;*.img.bz2||";

class ImageButtonsTest : public MainWindowTest {
protected:
    // A removable disk of the given size, filled with its own bytes, locked.
    SimulatedDisk& StartOnCard(ULONGLONG size = kDisk) {
        SimulatedDisk& disk = machine.AddDisk(size);
        disk.SetDriveType(DRIVE_REMOVABLE);
        machine.AddLetter('C', disk);
        contents = Pattern(kDisk, 7);
        disk.Fill(0, contents.data(), contents.size());
        Start();
        Lock();
        return disk;
    }
    // Clicks the button and chooses the file, given as UTF-8, in its dialog.
    void Choose(int button, const std::string& path) {
        backend.fileAnswers.push_back(CString(Jp(path)));
        backend.Click(button);
    }
    void ExpectIdle() {
        EXPECT_EQ(Text(IDC_CREATE_IMAGE), Jp("作成"));
        EXPECT_EQ(Text(IDC_RESTORE_IMAGE), Jp("復元"));
        EXPECT_TRUE(backend.Enabled(IDC_CREATE_IMAGE));
        EXPECT_TRUE(backend.Enabled(IDC_RESTORE_IMAGE));
        EXPECT_FALSE(backend.TimerRunning(0));
    }

    TempFolder folder;
    std::vector<char> contents;
};

TEST_F(ImageButtonsTest, CreateCopiesTheWholeCardIntoTheChosenFile) {
    struct Case {
        std::string typed;
        std::string written;
    };
    const Case cases[] = {
        {"card", "card.img"},
        {"card.bin", "card.bin"},
        {"日本語のカード", "日本語のカード.img"},
        // The second byte of 表, 予, ソ, 能 and 十 is that of a backslash.
        {"card.表", "card.表"},
        {"十能ソ予", "十能ソ予.img"},
    };
    SimulatedDisk& disk = StartOnCard();
    for (const Case& test : cases) {
        SCOPED_TRACE(test.typed);
        backend.fileDialogs.clear();
        Choose(IDC_CREATE_IMAGE, folder / test.typed);
        ASSERT_EQ(backend.fileDialogs.size(), 1u);
        const framework::FileDialogRequest& request = backend.fileDialogs[0];
        EXPECT_FALSE(request.open);
        EXPECT_EQ(request.filter, kFilter);
        EXPECT_EQ(request.defaultExtension, "img");
        EXPECT_EQ(request.flags, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY);
        EXPECT_TRUE(request.initialName.IsEmpty());
        EXPECT_EQ(request.owner, backend.Window(0));
        EXPECT_EQ(Text(IDC_CREATE_IMAGE), "STOP");
        FinishJob();

        ExpectIdle();
        EXPECT_EQ(ReadBytes(folder / test.written), contents);
        EXPECT_EQ(Text(IDC_CURRENT_LBA), "8191");
    }
    EXPECT_TRUE(disk.Writes().empty());
    EXPECT_TRUE(backend.boxes.empty());
}

TEST_F(ImageButtonsTest, RestoreWritesTheChosenFileOverTheStartOfTheCard) {
    struct Case {
        std::string file;
        std::string chosen;
    };
    const Case cases[] = {{"image.img", "image"}, {"img.予", "img.予"}};
    SimulatedDisk& disk = StartOnCard();
    for (const Case& test : cases) {
        SCOPED_TRACE(test.chosen);
        backend.fileDialogs.clear();
        const std::vector<char> image = Pattern(3 << 20, static_cast<int>(9 + test.file.size()));
        WriteBytes(folder / test.file, image);
        Choose(IDC_RESTORE_IMAGE, folder / test.chosen);
        ASSERT_EQ(backend.fileDialogs.size(), 1u);
        const framework::FileDialogRequest& request = backend.fileDialogs[0];
        EXPECT_TRUE(request.open);
        EXPECT_EQ(request.filter, kRestoreFilter);
        EXPECT_EQ(request.defaultExtension, "img");
        EXPECT_EQ(request.flags, OFN_READONLY);
        EXPECT_EQ(Text(IDC_RESTORE_IMAGE), "STOP");
        FinishJob();

        ExpectIdle();
        std::vector<char> expected = contents;
        std::copy(image.begin(), image.end(), expected.begin());
        const std::vector<BYTE> now = disk.Bytes(0, kDisk);
        EXPECT_TRUE(std::equal(now.begin(), now.end(), expected.begin(), expected.end(),
                               [](BYTE a, char b) { return a == static_cast<BYTE>(b); }));
        EXPECT_EQ(Text(IDC_CURRENT_LBA), "8191");
        EXPECT_TRUE(backend.boxes.empty()) << "a restore asks nothing before it writes";
    }
}

// What stays free beside the image, counted one sector short of it, must be at
// least 100,000,000 bytes.
TEST_F(ImageButtonsTest, CreateNeedsTheMarginOfFreeSpaceBesideTheImage) {
    StartOnCard();
    const LONGLONG needed = 100000000 + kLastLba * 512;
    for (const LONGLONG free : {needed, needed - 1}) {
        SCOPED_TRACE(free);
        backend.boxes.clear();
        machine.SetFreeSpace(folder.Path() + "/", static_cast<ULONGLONG>(free));
        const std::string image = folder / "card.img";
        Choose(IDC_CREATE_IMAGE, image);
        FinishJob();
        ExpectIdle();
        if (free == needed) {
            EXPECT_EQ(fs::file_size(image), kDisk);
            EXPECT_TRUE(backend.boxes.empty());
        } else {
            EXPECT_FALSE(fs::exists(image));
            ASSERT_EQ(backend.boxes.size(), 1u);
            EXPECT_EQ(backend.boxes[0].text, Jp("空き容量が足りません"));
            EXPECT_EQ(backend.boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
        }
        fs::remove(image);
    }
}

// Both dialogs open where a file was last chosen in either, in this run; the
// first in the working folder.
TEST_F(ImageButtonsTest, TheDialogsOpenInTheFolderOfTheLastFileChosen) {
    StartOnCard();
    const std::string made = folder / "作成先", kept = folder / "表示";
    fs::create_directories(made);
    fs::create_directories(kept);
    WriteBytes(kept + "/image.img", Pattern(1 << 20, 3));
    struct Step {
        int button;
        std::optional<std::string> chosen; // none: cancelled
        std::string opensIn;
    };
    const Step steps[] = {
        {IDC_RESTORE_IMAGE, std::nullopt, ""},
        {IDC_CREATE_IMAGE, made + "/card", ""},
        {IDC_RESTORE_IMAGE, kept + "/image.img", made + "/"},
        {IDC_CREATE_IMAGE, std::nullopt, kept + "/"},
        {IDC_RESTORE_IMAGE, std::nullopt, kept + "/"},
    };
    for (const Step& step : steps) {
        backend.fileDialogs.clear();
        backend.fileAnswers.push_back(step.chosen ? std::optional(CString(Jp(*step.chosen)))
                                                  : std::nullopt);
        backend.Click(step.button);
        FinishJob();
        ASSERT_EQ(backend.fileDialogs.size(), 1u);
        EXPECT_EQ(backend.fileDialogs[0].initialFolder, Jp(step.opensIn)) << step.opensIn;
    }
    EXPECT_TRUE(fs::exists(made + "/card.img"));
    EXPECT_TRUE(backend.boxes.empty());
}

// A free-space query that fails because no folder is there says that the file
// cannot be created; any other failure still counts as no room.
TEST_F(ImageButtonsTest, CreateIntoAFolderThatIsNotThereCannotCreateTheFile) {
    StartOnCard();
    const std::pair<DWORD, std::string> cases[] = {
        {ERROR_FILE_NOT_FOUND, "ファイルを作成出来ません。"},
        {ERROR_PATH_NOT_FOUND, "ファイルを作成出来ません。"},
        {ERROR_ACCESS_DENIED, "ファイルを作成出来ません。"},
        {EIO, "空き容量が足りません"},
    };
    const std::string missing = folder / "無い表示/";
    for (const auto& [error, message] : cases) {
        SCOPED_TRACE(error);
        backend.boxes.clear();
        machine.FailFreeSpace(missing, error);
        Choose(IDC_CREATE_IMAGE, missing + "card.img");
        ExpectIdle();
        ASSERT_EQ(backend.boxes.size(), 1u);
        EXPECT_EQ(backend.boxes[0].text, Jp(message));
        EXPECT_EQ(backend.boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
    }
}

TEST_F(ImageButtonsTest, ACancelledDialogChangesNothing) {
    SimulatedDisk& disk = StartOnCard();
    JumpTo("5");
    for (int button : {IDC_CREATE_IMAGE, IDC_RESTORE_IMAGE}) {
        backend.fileAnswers.push_back(std::nullopt);
        backend.Click(button);
        EXPECT_FALSE(dialog->Device().IsWorkerRunning());
        ExpectIdle();
    }
    EXPECT_EQ(backend.fileDialogs.size(), 2u);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "5");
    EXPECT_TRUE(disk.Writes().empty());
    EXPECT_TRUE(fs::is_empty(folder.Path()));
}

// Disabled on a fixed disk, and a click that reached them anyway does nothing.
TEST_F(ImageButtonsTest, AFixedDiskIsNeitherImagedNorRestored) {
    SimulatedDisk& disk = StartOnDisk(kDisk);
    Lock();
    WriteBytes(folder / "image.img", Pattern(kDisk, 9));
    for (int button : {IDC_CREATE_IMAGE, IDC_RESTORE_IMAGE}) {
        EXPECT_FALSE(backend.Enabled(button));
        backend.fileAnswers.push_back(CString(folder / "image.img"));
        framework::Deliver(backend.Window(0), WM_COMMAND,
                           MAKEWPARAM(static_cast<WORD>(button), BN_CLICKED),
                           reinterpret_cast<LPARAM>(backend.Window(button)));
        EXPECT_FALSE(dialog->Device().IsWorkerRunning());
    }
    EXPECT_TRUE(backend.fileDialogs.empty());
    EXPECT_TRUE(disk.Writes().empty());
}

// The button of a running image job is its STOP: the job ends before its next
// chunk, leaving what it copied so far, and no dialog opens.
TEST_F(ImageButtonsTest, PressingTheButtonOfARunningJobStopsIt) {
    SimulatedDisk& disk = StartOnCard(1ull << 40);
    machine.SetFreeSpace(folder.Path() + "/", 4ull << 40);
    const std::string sparse = folder / "large.img";
    WriteBytes(sparse, Pattern(1 << 20, 9));
    fs::resize_file(sparse, 64ull << 30);
    for (int button : {IDC_CREATE_IMAGE, IDC_RESTORE_IMAGE}) {
        SCOPED_TRACE(button);
        backend.fileDialogs.clear();
        disk.ClearCounters();
        const std::string image = button == IDC_CREATE_IMAGE ? folder / "stopped.img" : sparse;
        Choose(button, image);
        EXPECT_EQ(Text(button), "STOP");
        backend.Click(button);
        EXPECT_FALSE(backend.Enabled(button)) << "stopping";
        FinishJob();
        ExpectIdle();
        EXPECT_EQ(backend.fileDialogs.size(), 1u);

        const LONGLONG position = dialog->Device().GetPosition();
        EXPECT_EQ(position % (512 * 1024), 0);
        EXPECT_GE(position, 0);
        EXPECT_LT(position, LONGLONG{1} << 40);
        if (button == IDC_CREATE_IMAGE)
            EXPECT_EQ(static_cast<LONGLONG>(fs::file_size(image)), position);
        else
            EXPECT_EQ(static_cast<LONGLONG>(disk.Writes().size()) * 512 * 1024, position);
    }
    EXPECT_TRUE(backend.boxes.empty());
}

// A creation that goes on past bad sectors lists them and leaves a map; "作成"
// of that image again asks whether to go on: "Yes" reads only what the map leaves
// (here nothing, its bad sectors are not read twice), "No" replaces the image and
// removes the map. A map that does not fit is reported and nothing is written.
TEST_F(ImageButtonsTest, CreateGoesOnWhereARescueStoppedOrStartsAfresh) {
    SimulatedDisk& disk = StartOnCard();
    disk.FailRead(0x800);
    disk.FailRead(0x200000);
    disk.FailRead(0x200200);
    const std::string image = folder / "card.img", map = image + ".map";
    backend.boxAnswers = {IDOK, IDYES, IDOK};
    Choose(IDC_CREATE_IMAGE, image);
    FinishJob();
    ASSERT_EQ(backend.boxes.size(), 3u);
    const std::string bad = Jp("セクタ読み取り不可");
    EXPECT_EQ(backend.Items(IDC_SECTOR_LIST),
              (std::vector<CString>{(" 0000000800 \r\n 1 " + bad).c_str(),
                                    (" 0000200000 \r\n 2 " + bad).c_str()}));
    ASSERT_TRUE(fs::exists(map));

    const CString question = Jp("前回の続きから読み取りますか？").c_str();
    backend.boxes.clear();
    disk.ClearCounters();
    backend.boxAnswers = {IDYES, IDOK};
    Choose(IDC_CREATE_IMAGE, image);
    FinishJob();
    ASSERT_EQ(backend.boxes.size(), 2u);
    EXPECT_EQ(backend.boxes[0].text, question);
    EXPECT_EQ(backend.boxes[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(backend.boxes[1].type, MB_ICONINFORMATION);
    // Only the view read the sector on display.
    EXPECT_EQ(disk.Reads(), (std::vector<sim::Transfer>{{kLastLba * 512, 512}}));
    EXPECT_EQ(fs::file_size(image), kDisk);

    backend.boxes.clear();
    backend.boxAnswers = {IDNO, IDOK, IDNO};
    Choose(IDC_CREATE_IMAGE, image);
    FinishJob();
    ASSERT_EQ(backend.boxes.size(), 3u); // the question, the "Error" box, "No" again
    EXPECT_FALSE(fs::exists(map));
    EXPECT_LT(fs::file_size(image), kDisk);

    const CString unfit = Jp(kMapUnfit).c_str();
    for (const char* text : {"not a map\n", "0x0 + 1\n0x0 0x200 +\n"}) {
        SCOPED_TRACE(text);
        WriteText(map, text);
        const std::vector<char> kept = ReadBytes(image);
        backend.boxes.clear();
        Choose(IDC_CREATE_IMAGE, image);
        FinishJob();
        ASSERT_EQ(backend.boxes.size(), 1u);
        EXPECT_EQ(backend.boxes[0].text, unfit);
        EXPECT_EQ(ReadBytes(image), kept);
    }
    EXPECT_TRUE(disk.Writes().empty());
}

} // namespace
