// Only "復元" writes to a device. Every other command and job runs here on an
// open removable disk, and afterwards the disk has received no write and holds
// its old bytes. A command added to the program belongs in this table.
#include "tests/ui/MainWindowFixture.h"

#include "tests/kernel/TempFolder.h"

#include <functional>

namespace {

class NoWriteTest : public MainWindowTest {};

TEST_F(NoWriteTest, NoCommandButTheRestoreWritesToTheDevice) {
    constexpr ULONGLONG kDisk = 8 << 20;
    SimulatedDisk& disk = machine.AddDisk(kDisk);
    disk.SetDriveType(DRIVE_REMOVABLE);
    machine.AddLetter('C', disk);
    const std::vector<char> bytes = Pattern(kDisk, 4);
    disk.Fill(0, bytes.data(), bytes.size());
    const std::vector<BYTE> before = disk.Bytes(0, kDisk);
    TempFolder folder;
    Start();
    Lock();

    struct Command {
        const char* name;
        std::function<void()> run;
    };
    const Command commands[] = {
        {"sector buttons and keys",
         [&] {
             for (int id : {IDC_NEXT_SECTOR, IDC_NEXT_FAST, IDC_PREV_SECTOR, IDC_PREV_FAST})
                 backend.Click(id);
             backend.PressKey(VK_RIGHT);
             backend.PressKey(VK_LEFT);
             JumpTo("16383");
         }},
        {"text pane kinds",
         [&] {
             backend.Click(IDC_RADIO_SJIS);
             backend.Click(IDC_RADIO_ASCII);
             for (int type = 0; type < 5; ++type)
                 backend.Choose(IDC_SEARCH_TYPE, type);
         }},
        {"searches",
         [&] {
             const char* patterns[] = {"abc", "abc", "abc", "55AA", "FFD8FF"};
             for (int type = 0; type < 5; ++type) {
                 JumpTo("0");
                 backend.Type(IDC_PATTERN, patterns[type]);
                 backend.Choose(IDC_SEARCH_TYPE, type);
                 backend.Click(IDC_SEARCH);
                 FinishJob();
             }
         }},
        {"read test",
         [&] {
             JumpTo("0");
             backend.ChooseCommand(ID_DRIVE_READ_TEST);
             FinishJob();
         }},
        {"image creation",
         [&] {
             backend.fileAnswers.push_back(CString(folder / "card.img"));
             backend.Click(IDC_CREATE_IMAGE);
             FinishJob();
         }},
        {"data-sector scan and the sector list",
         [&] {
             backend.OpenMenu({0});
             backend.ChooseCommand(ID_DRIVE_SCAN);
             FinishJob();
             backend.Choose(IDC_SECTOR_LIST, 1);
             backend.DoubleClick(IDC_SECTOR_LIST, 2);
             backend.OpenMenu({1, 0});
             backend.ChooseCommand(ID_VIEW_SECTOR_LIST);
             backend.ChooseCommand(ID_VIEW_HEX);
         }},
        {"menu commands",
         [&] {
             for (UINT id : {ID_SEARCH_ASCII, ID_SEARCH_SJIS, ID_SEARCH_UNICODE, ID_SEARCH_HEX,
                             ID_SEARCH_HEX_HEADER, ID_SECTOR_RANGE_TO_FILE, ID_HELP_ABOUT})
                 SendCommand(id);
             for (UINT id :
                  {ID_HEADER_BMP, ID_HEADER_JPG, ID_HEADER_DOC_XLS, ID_HEADER_PDF, ID_HEADER_MDB}) {
                 JumpTo("0");
                 SendCommand(id);
                 FinishJob();
             }
         }},
        {"unlock and lock again",
         [&] {
             backend.Click(IDC_LOCK);
             Lock();
         }},
    };
    for (const Command& command : commands) {
        SCOPED_TRACE(command.name);
        command.run();
        EXPECT_TRUE(disk.Writes().empty());
        EXPECT_TRUE(disk.Bytes(0, kDisk) == before);
    }
    EXPECT_EQ(ReadBytes(folder / "card.img"), bytes) << "the image was made";
}

} // namespace
