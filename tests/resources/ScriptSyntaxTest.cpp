// The loader on small scripts written here: the syntax it accepts and the
// reasons it gives for scripts it refuses.
#include "platform/framework/Resources.h"
#include "platform/framework/Styles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;

class ScriptFolder {
public:
    ScriptFolder() {
        std::random_device random;
        m_path = fs::temp_directory_path() / ("kolm-rc-" + std::to_string(random()));
        fs::create_directories(m_path);
    }
    ~ScriptFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(m_path / name, std::ios::binary) << bytes;
        return (m_path / name).string();
    }
    void CopyArtwork() const {
        for (const char* name : {"kolm.ico", "hand.cur"}) {
            fs::copy_file(fs::path(KOLM_SOURCE_DIR) / "resources" / name, m_path / name);
        }
    }

private:
    fs::path m_path;
};

bool Load(const ScriptFolder& folder, const std::string& script, framework::ResourceSet& set,
          std::string& error) {
    return framework::LoadResourceScript(folder.Write("test.rc", script), set, error);
}

TEST(ScriptSyntax, AcceptsTheWrittenForms) {
    ScriptFolder folder;
    folder.Write("ids.h", "#pragma once\n#define IDD_TEST 7 // the dialog\n#define IDC_NAME 0x10\n"
                          "#define IDC_MINUS -1\n#define TEXT_NAMED \"was a number\"\n"
                          "#define TEXT_NAMED \"named \x95\\\"\n");
    framework::ResourceSet set;
    std::string error;
    const bool loaded = Load(folder, R"(/* a block
comment */ #include "ids.h"
#define IDR_POPUP 9
IDD_TEST DIALOGEX 1, 2, 30, 40, 0
CAPTION "say ""hi"" \"there\" \\ \r\n\t"
{
    EDITTEXT IDC_NAME, 1, 2, 3, 4, ES_RIGHT | NOT WS_BORDER | NOT WS_TABSTOP, WS_EX_CLIENTEDGE
    CONTROL "", IDC_MINUS, "MyClass", 0x5, -1, -2, 3, 4, 0x200
    ICON TEXT_NAMED, -1, 0, 0, 20, 20
}
IDR_POPUP MENU { POPUP "P" { MENUITEM "a", 1, GRAYED CHECKED
MENUITEM "b", 2, INACTIVE } }
STRINGTABLE { 5, "five"
6 "six" }
)",
                             set, error);
    ASSERT_TRUE(loaded) << error;
    const framework::DialogTemplate* dialog = set.Dialog(7);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->caption.str(), "say \"hi\" \"there\" \\ \r\n\t");
    // No STYLE: the platform's default frame, with the caption bar CAPTION asks for.
    EXPECT_EQ(dialog->style, WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CAPTION);
    EXPECT_TRUE(dialog->fontName.IsEmpty());
    ASSERT_EQ(dialog->controls.size(), 3u);
    const framework::ControlTemplate& edit = dialog->controls[0];
    EXPECT_EQ(edit.id, 0x10);
    EXPECT_EQ(edit.style, WS_CHILD | WS_VISIBLE | ES_RIGHT);
    EXPECT_EQ(edit.exStyle, WS_EX_CLIENTEDGE);
    const framework::ControlTemplate& custom = dialog->controls[1];
    EXPECT_EQ(custom.id, -1);
    EXPECT_EQ(custom.windowClass.str(), "MyClass");
    EXPECT_EQ(custom.style, WS_CHILD | WS_VISIBLE | 0x5u);
    EXPECT_EQ(custom.exStyle, 0x200u);
    EXPECT_EQ(custom.x, -1);
    // A string #define stands where the string would, its code page 932 bytes kept.
    EXPECT_EQ(dialog->controls[2].text.str(), "named \x95\\");

    const framework::MenuTemplate* menu = set.Menu(9);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->items.size(), 1u);
    ASSERT_EQ(menu->items[0].items.size(), 2u);
    EXPECT_EQ(menu->items[0].items[0].flags, MF_GRAYED | MF_CHECKED);
    EXPECT_EQ(menu->items[0].items[1].flags, MF_DISABLED);
    EXPECT_EQ(set.String(5).str(), "five");
    EXPECT_EQ(set.String(6).str(), "six");
}

TEST(ScriptSyntax, DlgInitKeepsOddLengthsAndOrder) {
    ScriptFolder folder;
    framework::ResourceSet set;
    std::string error;
    ASSERT_TRUE(Load(folder, R"(1 DIALOGEX 0, 0, 10, 10
BEGIN
    COMBOBOX 5, 0, 0, 10, 10
    LISTBOX 6, 0, 0, 10, 10
END
1 DLGINIT
BEGIN
    5, 0x403, 3, 0
    0x6261, 0x0000,
    5, 0x403, 1, 0
    0x0000,
    5, 0x403, 2, 0
    0x0041,
    0
END
)",
                     set, error))
        << error;
    const std::map<int, std::vector<CString>> expected = {{5, {"ab", "", "A"}}};
    EXPECT_EQ(set.Dialog(1)->initialItems, expected);
    EXPECT_EQ(set.Dialog(1)->controls[1].style, WS_CHILD | WS_VISIBLE | LBS_NOTIFY | WS_BORDER);
}

struct Malformed {
    const char* name;
    const char* script;
    int line;
    const char* reason;
};

// Each line of the script is "N: " in the reason, so the line number is checked.
const Malformed kMalformed[] = {
    {"UnterminatedString", "1 DIALOGEX 0, 0, 1, 1\nCAPTION \"open\nBEGIN\nEND\n", 2,
     "unterminated string"},
    {"UnknownEscape", "STRINGTABLE\nBEGIN\n1 \"a\\qb\"\nEND\n", 3, "unknown escape"},
    {"UndefinedName", "1 DIALOGEX 0, 0, 1, 1\nBEGIN\n  LTEXT \"x\", IDC_NOPE, 0, 0, 1, 1\nEND\n", 3,
     "undefined name IDC_NOPE"},
    {"MissingEnd", "1 DIALOGEX 0, 0, 1, 1\nBEGIN\n  LTEXT \"x\", 5, 0, 0, 1, 1\n", 4,
     "unexpected end"},
    {"MissingComma", "1 DIALOGEX 0, 0, 1, 1\nBEGIN\n  LTEXT \"x\" 5, 0, 0, 1, 1\nEND\n", 3,
     "expected ','"},
    {"UnknownControl", "1 DIALOGEX 0, 0, 1, 1\nBEGIN\n  SLIDER 5, 0, 0, 1, 1\nEND\n", 3,
     "unknown control SLIDER"},
    {"UnknownType", "\n\n1 BITMAP \"x.bmp\"\n", 3, "unknown resource type BITMAP"},
    {"NumberTooLarge", "1 DIALOGEX 0, 0, 0x123456789, 1\nBEGIN\nEND\n", 1, "number too large"},
    {"PositionOutOfRange", "1 DIALOGEX 0, 0, 40000, 1\nBEGIN\nEND\n", 1, "size out of range"},
    {"ResourceNumberZero", "0 MENU\nBEGIN\nEND\n", 1, "resource number out of range"},
    {"DuplicateControl",
     "1 DIALOGEX 0, 0, 1, 1\nBEGIN\n  LTEXT \"x\", 5, 0, 0, 1, 1\n  LTEXT \"y\", 5, 0, 0, 1, 1\n"
     "END\n",
     4, "control 5 defined twice"},
    {"DuplicateString", "STRINGTABLE\nBEGIN\n1 \"a\"\n1 \"b\"\nEND\n", 4, "defined twice"},
    {"DefineWithoutValue", "#define IDC_X\n1 MENU\nBEGIN\nEND\n", 1, "without a value"},
    {"DefineExpression", "#define IDC_X 1 | 2\n", 1, "not a plain number or string"},
    {"DefineTwoStrings", "#define TEXT_X \"a\" \"b\"\n", 1, "not a plain number or string"},
    {"StringAsNumber",
     "#define IDC_X \"5\"\n1 DIALOGEX 0, 0, 1, 1\nBEGIN\n  LTEXT \"x\", IDC_X, 0, 0, 1, 1\n"
     "END\n",
     4, "IDC_X is a string, not a number"},
    {"NumberAsString", "#define TEXT_X 5\n\n1 DIALOGEX 0, 0, 1, 1\nCAPTION TEXT_X\nBEGIN\nEND\n", 4,
     "TEXT_X is a number, not a string"},
    {"UndefinedString", "1 DIALOGEX 0, 0, 1, 1\nCAPTION TEXT_NONE\nBEGIN\nEND\n", 2,
     "undefined name TEXT_NONE"},
    {"UnsupportedDirective", "#ifdef X\n#endif\n", 1, "unsupported directive #ifdef"},
    {"HashInsideLine", "1 MENU # BEGIN\n", 1, "'#' not at the start"},
    {"MissingInclude", "\n#include \"absent.h\"\n", 2, "cannot read"},
    {"MenuItemWithoutId", "1 MENU\nBEGIN\n POPUP \"p\"\n BEGIN\n  MENUITEM \"a\"\n END\nEND\n", 6,
     "expected ','"},
    {"MenuOptionUnknown", "1 MENU\nBEGIN\n MENUITEM \"a\", 1, BOLD\nEND\n", 3,
     "expected a menu option"},
    {"DlgInitBeforeDialog", "1 DLGINIT\nBEGIN\n0\nEND\n", 1, "before the dialog"},
    {"DlgInitCutShort",
     "1 DIALOGEX 0, 0, 1, 1\nBEGIN\n COMBOBOX 5, 0, 0, 1, 1\nEND\n1 DLGINIT\nBEGIN\n"
     " 5, 0x403, 6, 0\n 0x4141,\n 0\nEND\n",
     7, "cut short"},
    {"DlgInitWithoutZero",
     "1 DIALOGEX 0, 0, 1, 1\nBEGIN\n COMBOBOX 5, 0, 0, 1, 1\nEND\n1 DLGINIT\nBEGIN\n"
     " 5, 0x403, 2, 0\n 0x0041\nEND\n",
     5, "end with a single 0"},
    {"DlgInitUnknownControl",
     "1 DIALOGEX 0, 0, 1, 1\nBEGIN\n COMBOBOX 5, 0, 0, 1, 1\nEND\n1 DLGINIT\nBEGIN\n"
     " 6, 0x403, 2, 0\n 0x0041, 0\nEND\n",
     7, "names control 6"},
    {"DlgInitOtherMessage",
     "1 DIALOGEX 0, 0, 1, 1\nBEGIN\n COMBOBOX 5, 0, 0, 1, 1\nEND\n1 DLGINIT\nBEGIN\n"
     " 5, 0x180, 2, 0\n 0x0041, 0\nEND\n",
     7, "not a combo box item"},
    {"DlgInitWideValue",
     "1 DIALOGEX 0, 0, 1, 1\nBEGIN\n COMBOBOX 5, 0, 0, 1, 1\nEND\n1 DLGINIT\nBEGIN\n"
     " 5, 0x403, 2, 0\n 0x10041, 0\nEND\n",
     8, "16-bit words"},
    {"MissingIcon", "\n128 ICON \"nothing.ico\"\n", 2, "cannot read"},
    {"CursorFileAsIcon", "\n128 ICON \"hand.cur\"\n", 2, "hand.cur: not an icon file"},
    {"IconFileAsCursor", "\n128 CURSOR \"kolm.ico\"\n", 2, "kolm.ico: not a cursor file"},
    {"DuplicateIcon", "128 ICON \"kolm.ico\"\n128 ICON \"kolm.ico\"\n", 2, "defined twice"},
};

class MalformedScript : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedScript, FailsWithItsLineAndReason) {
    const Malformed& bad = GetParam();
    ScriptFolder folder;
    folder.CopyArtwork();
    framework::ResourceSet set;
    set.strings[42] = "kept";
    std::string error;
    EXPECT_FALSE(Load(folder, bad.script, set, error));
    EXPECT_NE(error.find("test.rc:" + std::to_string(bad.line) + ": "), std::string::npos) << error;
    EXPECT_NE(error.find(bad.reason), std::string::npos) << error;
    // A failed load leaves the set it was given as it was.
    EXPECT_EQ(set.strings.size(), 1u);
    EXPECT_EQ(set.String(42).str(), "kept");
}

INSTANTIATE_TEST_SUITE_P(Scripts, MalformedScript, ::testing::ValuesIn(kMalformed),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(ScriptSyntax, SelfIncludeStopsAtADepth) {
    ScriptFolder folder;
    framework::ResourceSet set;
    std::string error;
    EXPECT_FALSE(Load(folder, "#include \"test.rc\"\n", set, error));
    EXPECT_NE(error.find("nested too deeply"), std::string::npos) << error;
}

TEST(ScriptSyntax, DeeplyNestedMenusFailWithoutOverflow) {
    ScriptFolder folder;
    std::string script = "1 MENU\n";
    for (int i = 0; i < 100000; ++i) {
        script += "BEGIN POPUP \"p\"\n";
    }
    framework::ResourceSet set;
    std::string error;
    EXPECT_FALSE(Load(folder, script, set, error));
    EXPECT_NE(error.find("nested too deeply"), std::string::npos) << error;
}

TEST(ScriptSyntax, MissingScript) {
    framework::ResourceSet set;
    std::string error;
    EXPECT_FALSE(framework::LoadResourceScript("/nonexistent/kolm.rc", set, error));
    EXPECT_NE(error.find("/nonexistent/kolm.rc"), std::string::npos);
}

} // namespace
