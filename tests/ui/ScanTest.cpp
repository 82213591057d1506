#include "tests/ui/MainWindowFixture.h"

#include "platform/framework/Menu.h"
#include "platform/text/Cp932.h"
#include "ui/SectorListLookup.h"

#include <string>

namespace {

const CString kListFull = Jp("該当リストが多すぎます").c_str();

std::string Sequence(int from, int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i)
        bytes += static_cast<char>(from + i);
    return bytes;
}

class ScanTest : public MainWindowTest {
protected:
    SimulatedDisk& Open(ULONGLONG size) {
        SimulatedDisk& disk = StartOnDisk(size);
        Lock();
        return disk;
    }

    void Scan() {
        backend.OpenMenu({0});
        ASSERT_TRUE(backend.ChooseCommand(ID_DRIVE_SCAN));
        FinishJob();
    }

    std::vector<CString> Lines() const { return backend.Items(IDC_SECTOR_LIST); }
    LONGLONG Position() const { return dialog->Device().GetPosition(); }
};

TEST_F(ScanTest, ListsOneLineForEachSectorWhoseBytesAreNotAllEqual) {
    SimulatedDisk& disk = Open(4 << 20);
    disk.Fill(0x200, Sequence(0, 16) + std::string(496, '\xAB'));
    disk.FillByte(0x400, 512, 0xE5); // an erased floppy sector
    disk.FillByte(0x600, 512, 0xFF);
    disk.Fill(0x800 + 511, std::string(1, '\x01'));      // 511 zeros, then data
    disk.Fill(0xA00 + 100, std::string(1, '\x01'));      // zeros first, data later
    disk.Fill(0x100000 - 1, std::string("\x07\x07", 2)); // across the end of chunk 1
    Scan();

    const std::string zeros = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
    EXPECT_EQ(Lines(), (std::vector<CString>{
                           " 0000000200 \r\n 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ...",
                           (" 0000000800 \r\n" + zeros + " ...").c_str(),
                           (" 0000000A00 \r\n" + zeros + " ...").c_str(),
                           (" 00000FFE00 \r\n" + zeros + " ...").c_str(),
                           " 0000100000 \r\n 07 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ...",
                       }));
    EXPECT_EQ(dialog->ViewMode(), 1);
    EXPECT_EQ(Position(), dialog->Device().GetLastLba() * 512);
    EXPECT_TRUE(backend.boxes.empty());
    EXPECT_TRUE(backend.Enabled(IDC_SECTOR_LIST));

    // A second scan starts from an empty list.
    disk.FillByte(0x200, 512, 0);
    Scan();
    EXPECT_EQ(Lines().size(), 4u);
}

TEST_F(ScanTest, TheListStopsAtItsLimitWithTheStartOfThatChunkAsThePosition) {
    SimulatedDisk& disk = Open(4 << 20);
    for (int sector = 0; sector < 3000; ++sector)
        disk.Fill(sector * 512ull + 3, std::string(1, '\x01'));
    Scan();
    EXPECT_EQ(Lines().size(), 2561u);
    ASSERT_EQ(backend.boxes.size(), 1u);
    EXPECT_EQ(backend.boxes[0].text, kListFull);
    EXPECT_EQ(Position(), 2 * 512 * 1024) << "the 2,561st sector lies in the third chunk";
    EXPECT_EQ(ListLineOffset(Lines().back()), 2560 * 512);
}

TEST_F(ScanTest, AReadErrorKeepsTheLinesFoundAndStopsAtTheFailingChunk) {
    SimulatedDisk& disk = Open(4 << 20);
    disk.Fill(0x200, "data");
    disk.Fill(0x180000, "past the failure");
    disk.FailRead(0x100000);
    Scan();
    EXPECT_EQ(Lines().size(), 1u);
    EXPECT_FALSE(Errors().empty());
    EXPECT_EQ(Position(), 0x100000);
}

// The window's wait for the device keeps serving the scan's requests, so a STOP
// while lines still arrive, or while the scan is about to show its list-full box,
// returns the window to idle. The scan has just asked to add a line of its third
// chunk when STOP comes, and it finishes that chunk.
TEST_F(ScanTest, StopWhileLinesArriveOrTheListFullBoxComesEndsAfterTheChunk) {
    SimulatedDisk& disk = Open(1ull << 40);
    struct Case {
        ULONGLONG spacing;  // bytes from one data sector to the next
        std::size_t stopAt; // lines listed when STOP comes
        std::size_t lines;  // lines at the end
        LONGLONG position;
        std::size_t boxes;
    };
    const Case cases[] = {
        {4096, 300, 384, 3 * 512 * 1024, 0},  // stops before the fourth chunk
        {512, 2100, 2561, 2 * 512 * 1024, 1}, // the list fills in the third chunk
    };
    for (const Case& c : cases) {
        for (ULONGLONG offset = 0; offset < (4u << 20); offset += c.spacing)
            disk.Fill(offset, "x");
        backend.boxes.clear();
        backend.OpenMenu({0});
        ASSERT_TRUE(backend.ChooseCommand(ID_DRIVE_SCAN));
        ASSERT_TRUE(backend.RunUntil([&] { return Lines().size() > c.stopAt; }));
        backend.OpenMenu({0});
        ASSERT_TRUE(backend.ChooseCommand(ID_DRIVE_STOP));
        EXPECT_FALSE(backend.Enabled(IDC_SEARCH)) << "stopping";
        FinishJob();
        EXPECT_EQ(Text(IDC_SEARCH), "Search");
        EXPECT_EQ(Lines().size(), c.lines);
        EXPECT_EQ(Position(), c.position);
        EXPECT_EQ(backend.boxes.size(), c.boxes);
    }
}

TEST_F(ScanTest, TheSectorListCommandScansOnlyAnEmptyListAndPicksTheCurrentLine) {
    Start();
    backend.OpenMenu({1, 0});
    ASSERT_TRUE(backend.ChooseCommand(ID_VIEW_SECTOR_LIST)); // no device: only shown
    EXPECT_FALSE(dialog->Device().IsWorkerRunning());
    EXPECT_TRUE(backend.Visible(IDC_SECTOR_LIST));
    EXPECT_FALSE(backend.Visible(IDC_HEX_VIEW));
    backend.OpenMenu({1, 0});
    EXPECT_TRUE((dialog->GetMenu()->GetMenuState(ID_VIEW_SECTOR_LIST, MF_BYCOMMAND) & MF_CHECKED));
    ASSERT_TRUE(backend.ChooseCommand(ID_VIEW_HEX));
    EXPECT_TRUE(backend.Visible(IDC_HEX_VIEW));

    SimulatedDisk& disk = machine.AddDisk(4 << 20);
    machine.AddLetter('D', disk);
    disk.Fill(0x400, "two");
    disk.Fill(0x3000, "three");
    dialog.reset();
    Start();
    Lock();
    backend.OpenMenu({1, 0});
    ASSERT_TRUE(backend.ChooseCommand(ID_VIEW_SECTOR_LIST)); // empty: a scan starts
    EXPECT_EQ(Text(IDC_SEARCH), "STOP");
    FinishJob();
    EXPECT_EQ(Lines().size(), 2u);

    JumpTo("24"); // 0x3000
    EXPECT_EQ(backend.Selection(IDC_SECTOR_LIST), 1);
    backend.OpenMenu({1, 0});
    ASSERT_TRUE(backend.ChooseCommand(ID_VIEW_SECTOR_LIST)); // lines present: no scan
    EXPECT_FALSE(dialog->Device().IsWorkerRunning());
    EXPECT_EQ(backend.Selection(IDC_SECTOR_LIST), 1);

    // Picking a line moves there at once; a double click shows its dump.
    backend.Choose(IDC_SECTOR_LIST, 0);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "2");
    EXPECT_TRUE(backend.Visible(IDC_SECTOR_LIST));
    backend.DoubleClick(IDC_SECTOR_LIST, 1);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "24");
    EXPECT_TRUE(backend.Visible(IDC_HEX_VIEW));
    EXPECT_EQ(Text(IDC_HEX_VIEW).Left(12), " 0000003000 ");
}

TEST_F(ScanTest, SectorsFromOneTebibyteOnGetElevenDigitsAndFollowTheOthers) {
    Open((1ull << 40) + (4 << 20));
    DiskDevice& device = dialog->Device();
    device.SetScanList(&dialog->SectorList());
    const BYTE data[512] = {1};
    for (LONGLONG offset : {0x200ll, (1ll << 40) + 0x200, 0xFFFFFFFE00ll})
        ASSERT_EQ(device.AddDataSectorLines(data, 512, offset, 512), 1);
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Left(12), " 0000000200 ");
    EXPECT_EQ(lines[1].Left(12), " FFFFFFFE00 ");
    EXPECT_EQ(lines[2].Left(13), " 10000000200 ");
    JumpTo("2147483649");
    EXPECT_EQ(backend.Selection(IDC_SECTOR_LIST), 2);
}

} // namespace
