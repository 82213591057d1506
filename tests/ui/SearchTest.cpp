#include "platform/framework/Styles.h"
#include "platform/text/Cp932.h"
#include "tests/ui/MainWindowFixture.h"

namespace {

class SearchTest : public MainWindowTest {
protected:
    void SetUp() override {
        disk = &StartOnDisk(16 << 20);
        disk->Fill(5000 * 512 + 100, "needle");
        Lock();
    }
    void Search(const char* pattern, int type) {
        backend.Type(IDC_PATTERN, pattern);
        backend.Choose(IDC_SEARCH_TYPE, type);
        backend.Click(IDC_SEARCH);
        EXPECT_EQ(Text(IDC_SEARCH), "STOP");
        FinishJob();
    }
    SimulatedDisk* disk = nullptr;
};

TEST_F(SearchTest, ASearchLandsOnItsHitWithTheHexViewShownAndTheOldSelectionGone) {
    dialog->SectorList().AddString(" 0000001400 sector ten");
    JumpTo("10");
    dialog->SetViewMode(1);
    ASSERT_EQ(backend.Selection(IDC_SECTOR_LIST), 0);

    Search("needle", 0);
    EXPECT_EQ(Text(IDC_SEARCH), "Search");
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "5000");
    EXPECT_EQ(Text(IDC_HEX_VIEW).Left(12), " 0000271000 ");
    EXPECT_TRUE(backend.Visible(IDC_HEX_VIEW));
    EXPECT_FALSE(backend.Visible(IDC_SECTOR_LIST));
    EXPECT_EQ(backend.Selection(IDC_SECTOR_LIST), -1);
    EXPECT_EQ(Text(IDC_RATE), "");

    // The range begins with the sector on display: the same hit again.
    backend.Click(IDC_SEARCH);
    FinishJob();
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "5000");
}

TEST_F(SearchTest, TheSearchTypeOfTheComboBoxIsTheOneSearchedWith) {
    Search("6E6565646C65", 3); // "needle" as hex digits
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "5000");
    JumpTo("0");
    Search("6E6565646C65", 0); // the same digits as text are nowhere
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "32767");
}

TEST_F(SearchTest, AHitWithAListLineSelectsIt) {
    dialog->SectorList().AddString(" 0000271000 the hit");
    dialog->SectorList().AddString(" 0000000000 boot");
    Search("needle", 0);
    EXPECT_EQ(backend.Selection(IDC_SECTOR_LIST), 1);
}

// Only a search that ran to the end of its range without a hit says so, once the
// window is idle again over the last sector; the menu's header searches too.
TEST_F(SearchTest, ASearchWithoutAHitSaysSoWhenTheWindowIsIdle) {
    CString shownOver;
    backend.onBox = [this, &shownOver](const auto&) {
        shownOver = Text(IDC_SEARCH) + " " + Text(IDC_CURRENT_LBA);
    };
    Search("absent", 0);
    ASSERT_EQ(backend.boxes.size(), 1u);
    EXPECT_EQ(backend.boxes[0].text, Jp("見つかりませんでした。"));
    EXPECT_EQ(backend.boxes[0].type, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(shownOver, "Search 32767");

    JumpTo("0");
    backend.OpenMenu({1, 3});
    ASSERT_TRUE(backend.ChooseCommand(ID_HEADER_PDF));
    FinishJob();
    EXPECT_EQ(backend.boxes.size(), 2u);

    // A hit, and a read that fails, end without it.
    JumpTo("0");
    Search("needle", 0);
    disk->FailRead(100 * 512);
    JumpTo("0");
    Search("absent", 0);
    EXPECT_EQ(Text(IDC_CURRENT_LBA), "0");
    EXPECT_EQ(Errors().size(), 1u);
    EXPECT_EQ(backend.boxes.size(), 3u);
}

} // namespace
