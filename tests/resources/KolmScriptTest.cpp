// The shipped resource script, as built into the program, against the texts,
// numbers and layout the program's windows are built from.
#include "platform/framework/Resources.h"
#include "platform/framework/Styles.h"
#include "platform/text/Cp932.h"
#include "resources/AboutTexts.h"
#include "resources/ProgramResources.h"
#include "resources/Resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using framework::ControlTemplate;
using framework::DialogTemplate;
using framework::MenuItemTemplate;

class KolmScript : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        loaded = LoadProgramResources(&error);
        set = framework::Resources();
        reason = error;
    }
    void SetUp() override { ASSERT_TRUE(loaded) << reason; }

    static const ControlTemplate* Control(const DialogTemplate& dialog, int id) {
        for (const ControlTemplate& control : dialog.controls) {
            if (control.id == id) {
                return &control;
            }
        }
        return nullptr;
    }

    static inline framework::ResourceSet set;
    static inline bool loaded = false;
    static inline std::string reason;
};

constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;
constexpr DWORD kButton = kShown | WS_TABSTOP;
constexpr DWORD kRight = kShown | SS_RIGHT | WS_GROUP;
constexpr DWORD kLeft = kShown | SS_LEFT | WS_GROUP;
constexpr DWORD kEdit = kShown | WS_BORDER | WS_TABSTOP;
constexpr DWORD kCombo = kShown | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;

struct Expected {
    int id;
    const char* windowClass;
    const char* text; // UTF-8
    DWORD style;
    int x, y, cx, cy;
};

// In template order, which is the order of creation and of the tab stops.
const Expected kMainControls[] = {
    {1013, "ComboBox", "", kCombo, 12, 19, 60, 175},
    {1, "Button", "OK", (kButton | BS_DEFPUSHBUTTON) & ~WS_VISIBLE, 0, 298, 50, 14},
    {2, "Button", "ｷｬﾝｾﾙ", kButton & ~WS_VISIBLE, 0, 280, 50, 14},
    {1001, "Static", "1000000", kRight, 166, 19, 47, 8},
    {1000, "Button", "Lock", kButton, 74, 19, 36, 14},
    {1002, "Static", "MediaType", kRight & ~WS_VISIBLE, 0, 114, 38, 8},
    {1003, "Static", "6300", kRight, 181, 29, 32, 8},
    {1004, "Static", "25500", kRight, 180, 39, 33, 8},
    {1005, "Static", "51200", kRight, 184, 49, 29, 8},
    {1006, "Edit", "", kEdit | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | WS_VSCROLL, 7, 70, 293,
     263},
    {1007, "Button", "<", kButton, 371, 45, 50, 14},
    {1008, "Button", ">", kButton, 422, 45, 50, 14},
    {1009, "Static", "100010001000", kRight, 417, 33, 44, 8},
    {1010, "Edit", "", kEdit | ES_MULTILINE | ES_READONLY | WS_VSCROLL, 305, 70, 175, 263},
    {1011, "Button", "<<<", kButton & ~WS_VISIBLE, 0, 96, 50, 14},
    {1012, "Button", ">>>", kButton & ~WS_VISIBLE, 0, 86, 50, 14},
    {1014, "Edit", "", kEdit | ES_RIGHT | ES_AUTOHSCROLL, 233, 45, 81, 14},
    {1015, "Button", "Jump", kButton, 317, 45, 50, 14},
    {1016, "Static", "1000000", kRight, 421, 25, 40, 8},
    {-1, "Button", "Sector", kShown | BS_GROUPBOX, 226, 7, 254, 57},
    {1017, "Button", "Search", kButton, 317, 31, 50, 14},
    {1018, "Edit", "", kEdit | ES_AUTOHSCROLL, 233, 31, 81, 14},
    {1019, "Static", "Cylinder", kLeft, 128, 19, 43, 8},
    {1020, "Static", "Head", kLeft, 128, 29, 29, 8},
    {1021, "Static", "Sector", kLeft, 128, 39, 31, 8},
    {1022, "Static", "Bytes / Sector", kLeft, 128, 49, 61, 8},
    {1023, "Static", "Bytes / Cluster", kLeft & ~WS_VISIBLE, 0, 125, 60, 8},
    {-1, "Static", "CUR", kLeft, 382, 25, 13, 8},
    {-1, "Static", "LBA max", kLeft, 382, 33, 30, 8},
    {1027, "Button", "Disk Geometry", kShown | BS_GROUPBOX, 120, 7, 101, 57},
    {1024, "Static", "45.330%", kRight, 417, 17, 48, 8},
    {-1, "Static", "POS", kLeft, 382, 17, 13, 8},
    {1025, "Button", "作成", kButton, 62, 45, 48, 14},
    {-1, "Button", "Drive", kShown | BS_GROUPBOX, 7, 7, 108, 57},
    {1026, "Button", "復元", kButton, 11, 45, 49, 14},
    {-1, "Button", "Imagefile", kShown | BS_GROUPBOX, 7, 35, 108, 29},
    {1029, "Button", "ASCII", WS_CHILD | BS_AUTORADIOBUTTON | WS_GROUP, 0, 165, 36, 10},
    {1031, "Button", "SJIS", WS_CHILD | BS_AUTORADIOBUTTON, 0, 181, 32, 10},
    {1028, "Static", "120000KB/s", kRight, 318, 18, 46, 8},
    {1033, "ComboBox", "", kCombo, 233, 18, 81, 113},
    {1035, "ListBox", "",
     kShown | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER, 7, 70, 293,
     263},
    {1040, "Static", "", kLeft, 7, 337, 473, 8},
};

void ExpectControl(const ControlTemplate& actual, const Expected& expected) {
    SCOPED_TRACE("control " + std::to_string(expected.id) + " " + expected.text);
    EXPECT_EQ(actual.id, expected.id);
    EXPECT_EQ(actual.windowClass.str(), expected.windowClass);
    EXPECT_EQ(actual.text.str(), Jp(expected.text));
    EXPECT_EQ(actual.style, expected.style) << std::hex << actual.style << " " << expected.style;
    EXPECT_EQ(actual.exStyle, 0u);
    EXPECT_EQ(actual.x, expected.x);
    EXPECT_EQ(actual.y, expected.y);
    EXPECT_EQ(actual.cx, expected.cx);
    EXPECT_EQ(actual.cy, expected.cy);
}

TEST_F(KolmScript, MainDialogFrame) {
    const DialogTemplate* dialog = set.Dialog(IDD_KOLM_DIALOG);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->caption.str(), "Kolm");
    EXPECT_EQ(dialog->style, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                                 DS_MODALFRAME | DS_SETFONT);
    EXPECT_EQ(dialog->exStyle, WS_EX_APPWINDOW | WS_EX_CLIENTEDGE);
    EXPECT_EQ(dialog->cx, 487);
    EXPECT_EQ(dialog->cy, 352);
    EXPECT_EQ(dialog->menuId, IDR_MENU);
    EXPECT_EQ(dialog->fontPointSize, 9);
    // "ＭＳ ゴシック": full-width M and S, a half-width space.
    EXPECT_EQ(dialog->fontName.str(), "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e");
}

TEST_F(KolmScript, MainDialogControlsInOrder) {
    const DialogTemplate* dialog = set.Dialog(IDD_KOLM_DIALOG);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->controls.size(), std::size(kMainControls));
    for (std::size_t i = 0; i < dialog->controls.size(); ++i) {
        ExpectControl(dialog->controls[i], kMainControls[i]);
    }
}

TEST_F(KolmScript, JapaneseButtonTextsAreCodePage932) {
    const DialogTemplate* dialog = set.Dialog(IDD_KOLM_DIALOG);
    ASSERT_NE(dialog, nullptr);
    // Bytes as iconv -t CP932 writes them, independent of the program's converter.
    EXPECT_EQ(Control(*dialog, IDC_CREATE_IMAGE)->text.str(), "\x8d\xec\x90\xac");
    EXPECT_EQ(Control(*dialog, IDCANCEL)->text.str(), "\xb7\xac\xdd\xbe\xd9");
}

TEST_F(KolmScript, ComboInitialItems) {
    const DialogTemplate* dialog = set.Dialog(IDD_KOLM_DIALOG);
    ASSERT_NE(dialog, nullptr);
    const std::map<int, std::vector<CString>> expected = {
        {IDC_SEARCH_TYPE, {"ASCII", "SJIS", "Unicode", "HEX", "HEX(Header)"}},
        {IDC_DRIVE_LIST, {"0", "1", "2", "3", "4", "5", "6", "7"}},
    };
    EXPECT_EQ(dialog->initialItems, expected);
}

TEST_F(KolmScript, AboutBox) {
    const DialogTemplate* dialog = set.Dialog(IDD_ABOUTBOX);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->caption.str(), Jp("Kolmのﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(dialog->style, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
    EXPECT_EQ(dialog->exStyle, 0u);
    EXPECT_EQ(dialog->cx, 227);
    EXPECT_EQ(dialog->cy, 75);
    EXPECT_EQ(dialog->menuId, 0);
    EXPECT_EQ(dialog->fontPointSize, 9);
    EXPECT_EQ(dialog->fontName.str(), Jp("ＭＳ Ｐゴシック"));
    EXPECT_TRUE(dialog->initialItems.empty());

    const Expected controls[] = {
        {-1, "Static", "128", kShown | SS_ICON, 11, 17, 20, 20},
        // The version and the addresses are the project's (CMakeLists.txt).
        {-1, "Static", KOLM_VERSION_TEXT, kLeft, 40, 25, 84, 8},
        {1, "Button", "OK", kButton | BS_DEFPUSHBUTTON, 170, 54, 50, 14},
        {1036, "Static", KOLM_MAIL, kLeft | SS_NOTIFY, 40, 50, 68, 8},
        {1037, "Static", KOLM_WEB_PAGE, kLeft | SS_NOTIFY, 40, 38, 127, 8},
    };
    ASSERT_EQ(dialog->controls.size(), std::size(controls));
    for (std::size_t i = 0; i < std::size(controls); ++i) {
        ExpectControl(dialog->controls[i], controls[i]);
    }
}

TEST_F(KolmScript, AboutString) {
    // Half-width katakana: one byte each.
    EXPECT_EQ(set.String(IDS_ABOUTBOX).str(), Jp("Kolm のﾊﾞｰｼﾞｮﾝ情報(&A)..."));
    EXPECT_EQ(set.String(IDS_ABOUTBOX).str(),
              "Kolm \x82\xcc\xca\xde\xb0\xbc\xde\xae\xdd\x8f\xee\x95\xf1(&A)...");
    EXPECT_TRUE(set.String(9999).IsEmpty());
}

MenuItemTemplate Command(const char* text, UINT id) {
    MenuItemTemplate item;
    item.text = Jp(text);
    item.id = id;
    return item;
}

MenuItemTemplate Separator() {
    MenuItemTemplate item;
    item.separator = true;
    return item;
}

MenuItemTemplate Popup(const char* text, std::vector<MenuItemTemplate> items) {
    MenuItemTemplate item;
    item.text = Jp(text);
    item.popup = true;
    item.items = std::move(items);
    return item;
}

void ExpectItems(const std::vector<MenuItemTemplate>& actual,
                 const std::vector<MenuItemTemplate>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE(text::ToUtf8(expected[i].text.str()));
        EXPECT_EQ(actual[i].text.str(), expected[i].text.str());
        EXPECT_EQ(actual[i].id, expected[i].id);
        EXPECT_EQ(actual[i].separator, expected[i].separator);
        EXPECT_EQ(actual[i].popup, expected[i].popup);
        EXPECT_EQ(actual[i].flags, 0u);
        ExpectItems(actual[i].items, expected[i].items);
    }
}

TEST_F(KolmScript, MenuTree) {
    const framework::MenuTemplate* menu = set.Menu(IDR_MENU);
    ASSERT_NE(menu, nullptr);
    const std::vector<MenuItemTemplate> expected = {
        Popup("ドライブ(&D)", {Command("ロック", 32775), Command("アンロック", 32776), Separator(),
                               Command("データセクタをスキャン", 32791),
                               Command("リードテスト", 32773), Command("STOP", 32774)}),
        Popup("セクタ(&S)", {Popup("表示", {Command("バイナリ（16進数）", 32792),
                                            Command("セクタリスト（データセクタ）", 32793)}),
                             Separator(),
                             Popup("検索", {Command("ASCII", 32777), Command("SJIS", 32778),
                                            Command("Unicode", 32779), Command("HEX", 32780),
                                            Command("HEX(Header)", 32781)}),
                             Popup("ヘッダサーチ", {Command("bmp", 32784), Command("jpg", 32783),
                                                    Command("doc,xls", 32786),
                                                    Command("pdf", 32787), Command("mdb", 32788)}),
                             Separator(), Command("セクタ範囲をファイル化", 32789)}),
        Popup("ヘルプ(&H)", {Command("バージョン情報", 32790)}),
    };
    ExpectItems(menu->items, expected);
}

TEST_F(KolmScript, MenuTextsWithTrickyBytes) {
    const framework::MenuTemplate* menu = set.Menu(IDR_MENU);
    ASSERT_NE(menu, nullptr);
    const MenuItemTemplate& view = menu->items.at(1).items.at(0);
    // The trail byte of 表 is a backslash, which must not start an escape.
    EXPECT_EQ(view.text.str(), "\x95\x5c\x8e\xa6");
    // Full-width parentheses U+FF08 and U+FF09.
    EXPECT_EQ(view.items.at(0).text.str(), "\x83\x6f\x83\x43\x83\x69\x83\x8a\x81\x69"
                                           "16"
                                           "\x90\x69\x90\x94\x81\x6a");
}

TEST_F(KolmScript, IconAndCursor) {
    const framework::Image* icon = set.Icon(IDR_MAINFRAME);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->width, 32);
    EXPECT_EQ(icon->height, 32);
    ASSERT_EQ(icon->pixels.size(), 32u * 32u);
    EXPECT_EQ(icon->pixels[0] >> 24, 0u) << "corner is transparent";
    EXPECT_EQ(icon->pixels[13 * 32 + 6] >> 24, 0xFFu) << "the disk is opaque";

    const framework::Image* cursor = set.Cursor(IDC_HAND);
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor->width, 32);
    EXPECT_EQ(cursor->height, 32);
    EXPECT_EQ(cursor->hotX, 13);
    EXPECT_EQ(cursor->hotY, 5);
    // The hot spot is the fingertip itself, not the clear area around it.
    EXPECT_EQ(cursor->pixels[5 * 32 + 13], 0xFF000000u);
    EXPECT_EQ(cursor->pixels[4 * 32 + 13] >> 24, 0u);
    EXPECT_EQ(set.Icon(IDC_HAND), nullptr);
}

} // namespace
