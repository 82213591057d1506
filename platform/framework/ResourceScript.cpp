// The resource-script subset Kolm's resources need: #include and #define (of a
// number or a string), DIALOGEX with its controls, DLGINIT, MENU, STRINGTABLE,
// ICON and CURSOR.
#include "platform/framework/IconFile.h"
#include "platform/framework/Resources.h"
#include "platform/framework/ScriptLexer.h"
#include "platform/framework/ScriptNames.h"
#include "platform/framework/Styles.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string_view>

namespace framework {

namespace {

constexpr int kMaxIncludeDepth = 8;
constexpr int kMaxMenuDepth = 16;
constexpr std::int64_t kComboAddString = 0x403;

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

struct ControlKind {
    std::string_view keyword;
    const char* windowClass;
    DWORD style; // the bits the statement implies beyond WS_CHILD | WS_VISIBLE
    bool hasText;
};

constexpr ControlKind kControlKinds[] = {
    {"LTEXT", "Static", SS_LEFT | WS_GROUP, true},
    {"RTEXT", "Static", SS_RIGHT | WS_GROUP, true},
    {"ICON", "Static", SS_ICON, true},
    {"PUSHBUTTON", "Button", BS_PUSHBUTTON | WS_TABSTOP, true},
    {"DEFPUSHBUTTON", "Button", BS_DEFPUSHBUTTON | WS_TABSTOP, true},
    {"GROUPBOX", "Button", BS_GROUPBOX, true},
    {"EDITTEXT", "Edit", ES_LEFT | WS_BORDER | WS_TABSTOP, false},
    {"COMBOBOX", "ComboBox", WS_TABSTOP, false},
    {"LISTBOX", "ListBox", LBS_NOTIFY | WS_BORDER, false},
};

struct ScriptContext {
    const ScriptFileReader& read;
    ResourceSet& resources;
    std::map<std::string, std::int64_t, std::less<>> defines;
    std::map<std::string, std::string, std::less<>> stringDefines;
    std::string error;
};

class ScriptParser {
public:
    ScriptParser(ScriptContext& context, std::filesystem::path path, std::string_view source,
                 int depth)
        : m_context(context), m_path(std::move(path)), m_lexer(source), m_depth(depth) {}

    bool Run();

private:
    bool Fail(const std::string& reason, int line = 0);
    bool Unexpected();
    bool Advance();
    bool IsWord(std::string_view word) const {
        return m_token.kind == TokenKind::Name && m_token.text == word;
    }
    bool IsPunct(char c) const { return m_token.kind == TokenKind::Punct && m_token.text[0] == c; }
    bool AtBegin() const { return IsWord("BEGIN") || IsPunct('{'); }
    bool AtEnd() const { return IsWord("END") || IsPunct('}'); }
    bool Expect(char c);
    bool ExpectBegin();
    bool SkipOptionalComma() { return !IsPunct(',') || Advance(); }
    bool AtString() const {
        return m_token.kind == TokenKind::String ||
               (m_token.kind == TokenKind::Name &&
                m_context.stringDefines.count(m_token.text) != 0);
    }

    bool ParseValue(std::int64_t& value);
    bool ParseInt(int& value, std::int64_t min, std::int64_t max, const char* what);
    bool ParseStyle(DWORD& style);
    bool ParseString(CString& text);
    bool ParsePosition(int& x, int& y, int& cx, int& cy);

    bool ParseStatement();
    bool ParseDirective();
    bool ParseInclude();
    bool ParseDefine();
    bool ParseStringTable();
    bool ParseDialog(int id, int line);
    bool ParseDialogOption(DialogTemplate& dialog, DWORD& style);
    bool ParseControl(DialogTemplate& dialog);
    bool ParseCustomControl(DialogTemplate& dialog);
    bool AddControl(DialogTemplate& dialog, ControlTemplate control, int line);
    bool ParseDlgInit(int id, int line);
    bool ParseMenu(int id, int line);
    bool ParseMenuItems(std::vector<MenuItemTemplate>& items, int depth);
    bool ParseMenuFlags(UINT& flags);
    bool ParseImage(int id, int line, std::map<int, Image>& images, IconFileKind kind);

    ScriptContext& m_context;
    std::filesystem::path m_path;
    ScriptLexer m_lexer;
    int m_depth;
    Token m_token;
};

bool ScriptParser::Fail(const std::string& reason, int line) {
    if (m_context.error.empty()) {
        m_context.error =
            m_path.string() + ":" + std::to_string(line > 0 ? line : m_token.line) + ": " + reason;
    }
    return false;
}

bool ScriptParser::Unexpected() {
    if (m_token.kind == TokenKind::End) {
        return Fail("unexpected end of the script");
    }
    const std::string shown =
        m_token.kind == TokenKind::Number ? std::to_string(m_token.value) : m_token.text;
    return Fail("unexpected '" + shown + "'");
}

bool ScriptParser::Advance() {
    std::string reason;
    if (!m_lexer.Next(m_token, reason)) {
        return Fail(reason, m_lexer.Line());
    }
    return true;
}

bool ScriptParser::Expect(char c) {
    if (!IsPunct(c)) {
        return Fail(std::string("expected '") + c + "'");
    }
    return Advance();
}

bool ScriptParser::ExpectBegin() {
    if (!AtBegin()) {
        return Fail("expected BEGIN");
    }
    return Advance();
}

bool ScriptParser::Run() {
    if (!Advance()) {
        return false;
    }
    while (m_token.kind != TokenKind::End) {
        if (!ParseStatement()) {
            return false;
        }
    }
    return true;
}

bool ScriptParser::ParseValue(std::int64_t& value) {
    const bool negative = IsPunct('-');
    if (negative && !Advance()) {
        return false;
    }
    if (m_token.kind == TokenKind::Number) {
        value = m_token.value;
    } else if (m_token.kind == TokenKind::Name) {
        const auto defined = m_context.defines.find(m_token.text);
        const auto builtIn = BuiltInScriptName(m_token.text);
        if (defined == m_context.defines.end() && !builtIn) {
            return Fail(m_context.stringDefines.count(m_token.text) != 0
                            ? m_token.text + " is a string, not a number"
                            : "undefined name " + m_token.text);
        }
        value = defined != m_context.defines.end() ? defined->second : *builtIn;
    } else {
        return m_token.kind == TokenKind::End ? Unexpected() : Fail("expected a number");
    }
    value = negative ? -value : value;
    return Advance();
}

bool ScriptParser::ParseInt(int& value, std::int64_t min, std::int64_t max, const char* what) {
    const int line = m_token.line;
    std::int64_t parsed = 0;
    if (!ParseValue(parsed)) {
        return false;
    }
    if (parsed < min || parsed > max) {
        return Fail(std::string(what) + " out of range", line);
    }
    value = static_cast<int>(parsed);
    return true;
}

// Terms joined by '|' add their bits to what the statement implies; NOT takes them away.
bool ScriptParser::ParseStyle(DWORD& style) {
    while (true) {
        const bool remove = IsWord("NOT");
        std::int64_t value = 0;
        if ((remove && !Advance()) || !ParseValue(value)) {
            return false;
        }
        const DWORD bits = static_cast<DWORD>(static_cast<std::uint64_t>(value));
        style = remove ? style & ~bits : style | bits;
        if (!IsPunct('|')) {
            return true;
        }
        if (!Advance()) {
            return false;
        }
    }
}

// A string, written out or named by a #define.
bool ScriptParser::ParseString(CString& text) {
    if (m_token.kind == TokenKind::Name) {
        const auto defined = m_context.stringDefines.find(m_token.text);
        if (defined == m_context.stringDefines.end()) {
            return Fail(m_context.defines.count(m_token.text) != 0
                            ? m_token.text + " is a number, not a string"
                            : "undefined name " + m_token.text);
        }
        text = CString(defined->second);
        return Advance();
    }
    if (m_token.kind != TokenKind::String) {
        return m_token.kind == TokenKind::End ? Unexpected() : Fail("expected a string");
    }
    text = CString(m_token.text);
    return Advance();
}

bool ScriptParser::ParsePosition(int& x, int& y, int& cx, int& cy) {
    constexpr std::int64_t kMin = -32768;
    constexpr std::int64_t kMax = 32767;
    return ParseInt(x, kMin, kMax, "position") && Expect(',') &&
           ParseInt(y, kMin, kMax, "position") && Expect(',') && ParseInt(cx, kMin, kMax, "size") &&
           Expect(',') && ParseInt(cy, kMin, kMax, "size");
}

bool ScriptParser::ParseStatement() {
    if (m_token.kind == TokenKind::Directive) {
        return ParseDirective();
    }
    if (IsWord("STRINGTABLE")) {
        return Advance() && ParseStringTable();
    }
    const int line = m_token.line;
    int id = 0;
    if (!ParseInt(id, 1, 0xFFFF, "resource number")) {
        return false;
    }
    if (m_token.kind != TokenKind::Name) {
        return Fail("expected a resource type");
    }
    const std::string type = m_token.text;
    if (!Advance()) {
        return false;
    }
    if (type == "DIALOGEX") {
        return ParseDialog(id, line);
    }
    if (type == "DLGINIT") {
        return ParseDlgInit(id, line);
    }
    if (type == "MENU") {
        return ParseMenu(id, line);
    }
    if (type == "ICON") {
        return ParseImage(id, line, m_context.resources.icons, IconFileKind::Icon);
    }
    if (type == "CURSOR") {
        return ParseImage(id, line, m_context.resources.cursors, IconFileKind::Cursor);
    }
    return Fail("unknown resource type " + type);
}

bool ScriptParser::ParseDirective() {
    const std::string directive = m_token.text;
    const int line = m_token.line;
    if (!Advance()) {
        return false;
    }
    if (directive == "include") {
        return ParseInclude();
    }
    if (directive == "define") {
        return ParseDefine();
    }
    if (directive == "pragma") {
        // #pragma once and #pragma code_page say nothing this loader needs.
        while (m_token.kind != TokenKind::End && m_token.line == line) {
            if (!Advance()) {
                return false;
            }
        }
        return true;
    }
    return Fail("unsupported directive #" + directive, line);
}

bool ScriptParser::ParseInclude() {
    const int line = m_token.line;
    CString name;
    if (!ParseString(name)) {
        return false;
    }
    if (m_depth + 1 > kMaxIncludeDepth) {
        return Fail("includes nested too deeply", line);
    }
    const std::filesystem::path path = m_path.parent_path() / name.str();
    std::string source;
    if (!m_context.read(path.string(), source)) {
        return Fail("cannot read " + path.string(), line);
    }
    return ScriptParser(m_context, path, source, m_depth + 1).Run();
}

bool ScriptParser::ParseDefine() {
    const int line = m_token.line;
    if (m_token.kind != TokenKind::Name) {
        return Fail("expected a name after #define", line);
    }
    const std::string name = m_token.text;
    std::int64_t value = 0;
    if (!Advance()) {
        return false;
    }
    if (m_token.line != line) {
        return Fail("#define " + name + " without a value", line);
    }
    std::string text;
    const bool isString = m_token.kind == TokenKind::String;
    if (isString) {
        text = m_token.text;
        if (!Advance()) {
            return false;
        }
    } else if (!ParseValue(value)) {
        return false;
    }
    if (m_token.kind != TokenKind::End && m_token.line == line) {
        return Fail("#define " + name + " is not a plain number or string", line);
    }
    // A name defined again takes its last value, of either kind.
    m_context.defines.erase(name);
    m_context.stringDefines.erase(name);
    if (isString) {
        m_context.stringDefines.emplace(name, std::move(text));
    } else {
        m_context.defines.emplace(name, value);
    }
    return true;
}

bool ScriptParser::ParseStringTable() {
    if (!ExpectBegin()) {
        return false;
    }
    while (!AtEnd()) {
        const int line = m_token.line;
        int id = 0;
        CString text;
        if (!ParseInt(id, 0, 0xFFFF, "string number") || !SkipOptionalComma() ||
            !ParseString(text)) {
            return false;
        }
        if (!m_context.resources.strings.emplace(id, text).second) {
            return Fail("string " + std::to_string(id) + " defined twice", line);
        }
    }
    return Advance();
}

bool ScriptParser::ParseDialog(int id, int line) {
    DialogTemplate dialog;
    dialog.id = id;
    if (!ParsePosition(dialog.x, dialog.y, dialog.cx, dialog.cy)) {
        return false;
    }
    std::int64_t helpId = 0;
    if (IsPunct(',') && !(Advance() && ParseValue(helpId))) {
        return false;
    }
    DWORD style = WS_POPUP | WS_BORDER | WS_SYSMENU;
    while (!AtBegin()) {
        if (!ParseDialogOption(dialog, style)) {
            return false;
        }
    }
    if (!Advance()) {
        return false;
    }
    while (!AtEnd()) {
        if (!ParseControl(dialog)) {
            return false;
        }
    }
    dialog.style = style | (dialog.caption.IsEmpty() ? 0 : WS_CAPTION) |
                   (dialog.fontName.IsEmpty() ? 0 : DS_SETFONT);
    if (!m_context.resources.dialogs.emplace(id, std::move(dialog)).second) {
        return Fail("dialog " + std::to_string(id) + " defined twice", line);
    }
    return Advance();
}

bool ScriptParser::ParseDialogOption(DialogTemplate& dialog, DWORD& style) {
    if (m_token.kind != TokenKind::Name) {
        return Unexpected();
    }
    const std::string option = m_token.text;
    if (!Advance()) {
        return false;
    }
    if (option == "STYLE") {
        style = 0;
        return ParseStyle(style);
    }
    if (option == "EXSTYLE") {
        return ParseStyle(dialog.exStyle);
    }
    if (option == "CAPTION") {
        return ParseString(dialog.caption);
    }
    if (option == "MENU") {
        return ParseInt(dialog.menuId, 1, 0xFFFF, "menu number");
    }
    if (option == "FONT") {
        if (!ParseInt(dialog.fontPointSize, 1, 0xFFFF, "point size") || !Expect(',') ||
            !ParseString(dialog.fontName)) {
            return false;
        }
        // Weight, italic flag and character set: the backends choose the font by name.
        for (int i = 0; i < 3 && IsPunct(','); ++i) {
            std::int64_t ignored = 0;
            if (!Advance() || !ParseValue(ignored)) {
                return false;
            }
        }
        return true;
    }
    return Fail("unknown dialog option " + option);
}

bool ScriptParser::ParseControl(DialogTemplate& dialog) {
    const int line = m_token.line;
    if (IsWord("CONTROL")) {
        return Advance() && ParseCustomControl(dialog);
    }
    const auto kind = std::find_if(std::begin(kControlKinds), std::end(kControlKinds),
                                   [&](const ControlKind& k) { return IsWord(k.keyword); });
    if (kind == std::end(kControlKinds)) {
        return m_token.kind == TokenKind::Name ? Fail("unknown control " + m_token.text)
                                               : Unexpected();
    }
    if (!Advance()) {
        return false;
    }
    ControlTemplate control;
    control.windowClass = kind->windowClass;
    control.style = WS_CHILD | WS_VISIBLE | kind->style;
    if (kind->keyword == "ICON" && !AtString()) {
        // The icon named by its resource number, kept as that number's text.
        int icon = 0;
        if (!ParseInt(icon, 1, 0xFFFF, "icon number")) {
            return false;
        }
        control.text = CString(std::to_string(icon));
    } else if (kind->hasText && !ParseString(control.text)) {
        return false;
    }
    if ((kind->hasText && !Expect(',')) || !ParseInt(control.id, -1, 0xFFFF, "control number") ||
        !Expect(',') || !ParsePosition(control.x, control.y, control.cx, control.cy)) {
        return false;
    }
    if (IsPunct(',') && !(Advance() && ParseStyle(control.style))) {
        return false;
    }
    if (IsPunct(',') && !(Advance() && ParseStyle(control.exStyle))) {
        return false;
    }
    return AddControl(dialog, std::move(control), line);
}

// CONTROL text, id, class, style, x, y, cx, cy [, exstyle]: only WS_CHILD | WS_VISIBLE implied.
bool ScriptParser::ParseCustomControl(DialogTemplate& dialog) {
    const int line = m_token.line;
    ControlTemplate control;
    control.style = WS_CHILD | WS_VISIBLE;
    if (!ParseString(control.text) || !Expect(',') ||
        !ParseInt(control.id, -1, 0xFFFF, "control number") || !Expect(',') ||
        !ParseString(control.windowClass) || !Expect(',') || !ParseStyle(control.style) ||
        !Expect(',') || !ParsePosition(control.x, control.y, control.cx, control.cy)) {
        return false;
    }
    if (IsPunct(',') && !(Advance() && ParseStyle(control.exStyle))) {
        return false;
    }
    return AddControl(dialog, std::move(control), line);
}

bool ScriptParser::AddControl(DialogTemplate& dialog, ControlTemplate control, int line) {
    const bool taken =
        control.id != -1 &&
        std::any_of(dialog.controls.begin(), dialog.controls.end(),
                    [&](const ControlTemplate& other) { return other.id == control.id; });
    if (taken) {
        return Fail("control " + std::to_string(control.id) + " defined twice", line);
    }
    dialog.controls.push_back(std::move(control));
    return true;
}

// Entries of control, CB_ADDSTRING, byte count as two words, then the bytes
// packed two to a little-endian word; a 0 ends the list.
bool ScriptParser::ParseDlgInit(int id, int line) {
    const auto dialog = m_context.resources.dialogs.find(id);
    if (dialog == m_context.resources.dialogs.end()) {
        return Fail("DLGINIT for dialog " + std::to_string(id) + " before the dialog", line);
    }
    std::vector<std::uint16_t> words;
    std::vector<int> lines;
    if (!ExpectBegin()) {
        return false;
    }
    while (!AtEnd()) {
        const int wordLine = m_token.line;
        std::int64_t value = 0;
        if (!ParseValue(value)) {
            return false;
        }
        if (value < 0 || value > 0xFFFF) {
            return Fail("DLGINIT data must be 16-bit words", wordLine);
        }
        words.push_back(static_cast<std::uint16_t>(value));
        lines.push_back(wordLine);
        if (!SkipOptionalComma()) {
            return false;
        }
    }
    std::map<int, std::vector<CString>> items;
    std::size_t i = 0;
    while (i < words.size() && words[i] != 0) {
        const std::size_t left = words.size() - i;
        if (left < 4) {
            return Fail("DLGINIT entry cut short", lines[i]);
        }
        const std::size_t length = words[i + 2];
        const std::size_t count = (length + 1) / 2;
        if (words[i + 3] != 0 || left - 4 < count) {
            return Fail("DLGINIT entry cut short", lines[i]);
        }
        if (words[i + 1] != kComboAddString) {
            return Fail("DLGINIT entry is not a combo box item", lines[i]);
        }
        const int control = words[i];
        const auto& controls = dialog->second.controls;
        if (std::none_of(controls.begin(), controls.end(),
                         [&](const ControlTemplate& c) { return c.id == control; })) {
            return Fail("DLGINIT names control " + std::to_string(control) +
                            ", which the dialog lacks",
                        lines[i]);
        }
        std::string bytes;
        for (std::size_t w = 0; w < count; ++w) {
            bytes += static_cast<char>(words[i + 4 + w] & 0xFF);
            bytes += static_cast<char>(words[i + 4 + w] >> 8);
        }
        bytes.resize(length);
        items[control].push_back(CString(bytes.substr(0, bytes.find('\0'))));
        i += 4 + count;
    }
    if (words.empty() || i != words.size() - 1) {
        return Fail("DLGINIT data must end with a single 0", line);
    }
    for (auto& [control, texts] : items) {
        auto& initial = dialog->second.initialItems[control];
        initial.insert(initial.end(), texts.begin(), texts.end());
    }
    return Advance();
}

bool ScriptParser::ParseMenu(int id, int line) {
    MenuTemplate menu;
    menu.id = id;
    if (!ParseMenuItems(menu.items, 0)) {
        return false;
    }
    if (!m_context.resources.menus.emplace(id, std::move(menu)).second) {
        return Fail("menu " + std::to_string(id) + " defined twice", line);
    }
    return true;
}

bool ScriptParser::ParseMenuItems(std::vector<MenuItemTemplate>& items, int depth) {
    if (depth > kMaxMenuDepth) {
        return Fail("menus nested too deeply");
    }
    if (!ExpectBegin()) {
        return false;
    }
    while (!AtEnd()) {
        MenuItemTemplate item;
        if (IsWord("MENUITEM")) {
            if (!Advance()) {
                return false;
            }
            if (IsWord("SEPARATOR")) {
                item.separator = true;
                if (!Advance()) {
                    return false;
                }
            } else {
                int id = 0;
                if (!ParseString(item.text) || !Expect(',') ||
                    !ParseInt(id, 0, 0xFFFF, "command number") || !ParseMenuFlags(item.flags)) {
                    return false;
                }
                item.id = static_cast<UINT>(id);
            }
        } else if (IsWord("POPUP")) {
            item.popup = true;
            if (!Advance() || !ParseString(item.text) || !ParseMenuFlags(item.flags) ||
                !ParseMenuItems(item.items, depth + 1)) {
                return false;
            }
        } else {
            return m_token.kind == TokenKind::End ? Unexpected()
                                                  : Fail("expected MENUITEM or POPUP");
        }
        items.push_back(std::move(item));
    }
    return Advance();
}

bool ScriptParser::ParseMenuFlags(UINT& flags) {
    while (true) {
        const bool comma = IsPunct(',');
        if (comma && !Advance()) {
            return false;
        }
        if (IsWord("GRAYED")) {
            flags |= MF_GRAYED;
        } else if (IsWord("CHECKED")) {
            flags |= MF_CHECKED;
        } else if (IsWord("INACTIVE")) {
            flags |= MF_DISABLED;
        } else {
            return !comma || Fail("expected a menu option");
        }
        if (!Advance()) {
            return false;
        }
    }
}

bool ScriptParser::ParseImage(int id, int line, std::map<int, Image>& images, IconFileKind kind) {
    CString name;
    if (!ParseString(name)) {
        return false;
    }
    if (images.count(id) != 0) {
        return Fail("image " + std::to_string(id) + " defined twice", line);
    }
    const std::filesystem::path path = m_path.parent_path() / name.str();
    std::string bytes;
    if (!m_context.read(path.string(), bytes)) {
        return Fail("cannot read " + path.string(), line);
    }
    std::string reason;
    Image image;
    if (!DecodeIconFile(bytes, kind, image, reason)) {
        return Fail(name.str() + ": " + reason, line);
    }
    images.emplace(id, std::move(image));
    return true;
}

} // namespace

bool LoadResourceScript(const std::string& path, ResourceSet& resources, std::string& error) {
    const ScriptFileReader fromDisk = [](const std::string& file, std::string& bytes) {
        return ReadWholeFile(file, bytes);
    };
    return LoadResourceScript(path, fromDisk, resources, error);
}

bool LoadResourceScript(const std::string& path, const ScriptFileReader& read,
                        ResourceSet& resources, std::string& error) {
    std::string source;
    if (!read(path, source)) {
        error = "cannot read " + path;
        return false;
    }
    ResourceSet loaded;
    ScriptContext context{read, loaded, {}, {}, {}};
    if (!ScriptParser(context, path, source, 0).Run()) {
        error = context.error;
        return false;
    }
    resources = std::move(loaded);
    return true;
}

} // namespace framework
