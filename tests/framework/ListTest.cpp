#include "tests/framework/TestDialog.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

using SortedList = TestDialogFixture;

namespace {

std::vector<CString> Lines(std::initializer_list<const char*> lines) {
    return std::vector<CString>(lines.begin(), lines.end());
}

} // namespace

TEST_F(SortedList, KeepsItsLinesInItsObjectsOrder) {
    for (const char* line : {"b", "c", "a"})
        dialog.list.AddString(line);
    EXPECT_EQ(backend.Items(LIST), Lines({"c", "b", "a"}));
    EXPECT_EQ(dialog.list.GetCount(), 3);
    CString text;
    dialog.list.GetText(2, text);
    EXPECT_EQ(text, "a");
    dialog.list.GetText(3, text);
    EXPECT_TRUE(text.IsEmpty());
    dialog.list.ResetContent();
    EXPECT_EQ(dialog.list.GetCount(), 0);
}

TEST(SortedListDefault, OrdersByTextWithoutCaseAndKeepsEqualLinesInOrder) {
    InstallTestTemplates();
    framework::HeadlessBackend backend;
    CDialog plain(TEST_DIALOG);
    backend.Open(plain);
    auto* list = static_cast<CListBox*>(plain.GetDlgItem(LIST));
    for (const char* line : {"b", "A", "C", "a"})
        list->AddString(line);
    EXPECT_EQ(backend.Items(LIST), Lines({"A", "a", "b", "C"}));
    backend.Close(plain);
}

// The scan's lines begin with a blank and ten hexadecimal digits; their text order
// must be the order sort(1) gives them.
TEST(SortedListDefault, OrdersOffsetLinesAsSortDoes) {
    InstallTestTemplates();
    framework::HeadlessBackend backend;
    CDialog plain(TEST_DIALOG);
    backend.Open(plain);
    auto* list = static_cast<CListBox*>(plain.GetDlgItem(LIST));
    std::string input;
    for (unsigned long long offset : {0x200ull, 0xFFFFFFFE00ull, 0x1000ull, 0xA00ull, 0x0ull}) {
        char line[32];
        std::snprintf(line, sizeof line, " %010llX  data", offset);
        list->AddString(line);
        input += std::string(line) + "\n";
    }
    std::string command = "printf '" + input + "' | LC_ALL=C sort -f";
    std::unique_ptr<FILE, int (*)(FILE*)> sorted(popen(command.c_str(), "r"), pclose);
    ASSERT_NE(sorted, nullptr);
    std::vector<CString> expected;
    char buffer[64];
    while (std::fgets(buffer, sizeof buffer, sorted.get()) != nullptr)
        expected.emplace_back(std::string(buffer, std::strlen(buffer) - 1));
    EXPECT_EQ(backend.Items(LIST), expected);
    backend.Close(plain);
}

TEST_F(SortedList, RequestsAreMessagesToTheWindow) {
    HWND list = backend.Window(LIST);
    EXPECT_EQ(SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("x")), 0);
    EXPECT_EQ(SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("y")), 0);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
    char line[8] = {};
    EXPECT_EQ(SendMessageA(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(line)), 1);
    EXPECT_STREQ(line, "x");
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    EXPECT_TRUE(backend.Items(LIST).empty());
}

TEST_F(SortedList, SettingTheSelectionSendsNoNotification) {
    for (const char* line : {"a", "b", "c"})
        dialog.list.AddString(line);
    EXPECT_EQ(dialog.list.SetCurSel(1), 1);
    EXPECT_EQ(dialog.list.GetCurSel(), 1);
    EXPECT_EQ(dialog.list.SetCurSel(7), LB_ERR);
    EXPECT_EQ(dialog.list.GetCurSel(), -1);
    EXPECT_TRUE(dialog.commands.empty());

    backend.Choose(LIST, 2);
    EXPECT_EQ(dialog.Notifications(LIST, LBN_SELCHANGE), 1);
    backend.DoubleClick(LIST, 0);
    EXPECT_EQ(dialog.Notifications(LIST, LBN_SELCHANGE), 2);
    EXPECT_EQ(dialog.Notifications(LIST, LBN_DBLCLK), 1);
    EXPECT_EQ(backend.Selection(LIST), 0);
}

TEST_F(SortedList, TheSelectedLineStaysSelectedWhenLinesGoInBeforeIt) {
    dialog.list.AddString("a");
    dialog.list.SetCurSel(0);
    dialog.list.AddString("b"); // reverse order: before "a"
    EXPECT_EQ(dialog.list.GetCurSel(), 1);
    CString text;
    dialog.list.GetText(dialog.list.GetCurSel(), text);
    EXPECT_EQ(text, "a");
}

TEST_F(SortedList, AComboBoxAppendsAndSelectsByIndex) {
    auto* combo = static_cast<CComboBox*>(dialog.GetDlgItem(COMBO));
    combo->ResetContent();
    EXPECT_EQ(combo->GetCurSel(), CB_ERR);
    EXPECT_EQ(combo->AddString("z"), 0);
    EXPECT_EQ(combo->AddString("a"), 1);
    EXPECT_EQ(combo->SetCurSel(1), 1);
    CString text;
    combo->GetLBText(combo->GetCurSel(), text);
    EXPECT_EQ(text, "a");
    EXPECT_EQ(combo->GetCount(), 2);
    EXPECT_TRUE(dialog.commands.empty());
}
