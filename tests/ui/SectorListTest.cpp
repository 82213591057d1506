#include "tests/ui/MainWindowFixture.h"

#include "ui/SectorListLookup.h"

namespace {

TEST(SectorListLine, ReadsEveryHexDigitOfTheLeadingOffset) {
    EXPECT_EQ(ListLineOffset(" 0000000400 01 02"), 1024);
    EXPECT_EQ(ListLineOffset(" 00FFFFFE00 x"), 0xFFFFFE00);
    EXPECT_EQ(ListLineOffset(" 10000000000 x"), 1ll << 40);
    EXPECT_EQ(ListLineOffset(" 1a2B3c4D5e"), 0x1A2B3C4D5Ell);
    EXPECT_EQ(ListLineOffset(" zz"), 0);
    EXPECT_EQ(ListLineOffset(""), 0);
}

TEST_F(MainWindowTest, TheSectorListSortsByOffsetAndSelectsTheFirstLineOfAPosition) {
    Start();
    CListBox& list = dialog->SectorList();
    EXPECT_FALSE(dialog->SelectListLineForPosition(0));

    for (const char* line :
         {" 10000000200 b", " FFFFFFFE00 a", " 0000000200 b", " 0000000200 a", " 10000000000 c"})
        list.AddString(line);
    EXPECT_EQ(backend.Items(IDC_SECTOR_LIST),
              (std::vector<CString>{" 0000000200 a", " 0000000200 b", " FFFFFFFE00 a",
                                    " 10000000000 c", " 10000000200 b"}));

    EXPECT_TRUE(dialog->SelectListLineForPosition(0x200));
    EXPECT_EQ(backend.Selection(IDC_SECTOR_LIST), 0);
    EXPECT_TRUE(dialog->SelectListLineForPosition((1ll << 40) + 0x200));
    EXPECT_EQ(backend.Selection(IDC_SECTOR_LIST), 4);
    EXPECT_FALSE(dialog->SelectListLineForPosition(0x400));
    EXPECT_EQ(backend.Selection(IDC_SECTOR_LIST), -1);
}

} // namespace
