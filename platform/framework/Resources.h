#pragma once
// The program's resources as read from its resource script: dialog templates,
// menus, strings, icons and cursors. Texts are code page 932.
#include "platform/framework/CString.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace framework {

struct ControlTemplate {
    CString windowClass; // "Button", "Edit", "Static", "ComboBox", "ListBox"
    int id = -1;         // -1 for IDC_STATIC
    CString text;        // for an icon static: the icon's resource number as text
    DWORD style = 0;     // WS_CHILD | WS_VISIBLE and the kind's own bits included
    DWORD exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0; // dialog units
};

struct DialogTemplate {
    int id = 0;
    CString caption;
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    CString fontName;
    int fontPointSize = 0;
    int menuId = 0; // 0 when the dialog has no menu
    std::vector<ControlTemplate> controls;
    std::map<int, std::vector<CString>> initialItems; // combo box items from DLGINIT
};

struct MenuItemTemplate {
    CString text;
    UINT id = 0; // 0 for a separator and for a submenu
    bool separator = false;
    bool popup = false;
    UINT flags = 0; // MF_GRAYED, MF_CHECKED as written
    std::vector<MenuItemTemplate> items;
};

struct MenuTemplate {
    int id = 0;
    std::vector<MenuItemTemplate> items;
};

// Pixels in 0xAARRGGBB, rows from the top.
struct Image {
    int width = 0;
    int height = 0;
    int hotX = 0, hotY = 0; // cursors only
    std::vector<std::uint32_t> pixels;
};

class ResourceSet {
public:
    const DialogTemplate* Dialog(int id) const;
    const MenuTemplate* Menu(int id) const;
    CString String(int id) const; // empty when there is none
    const Image* Icon(int id) const;
    const Image* Cursor(int id) const;

    std::map<int, DialogTemplate> dialogs;
    std::map<int, MenuTemplate> menus;
    std::map<int, CString> strings;
    std::map<int, Image> icons;
    std::map<int, Image> cursors;
};

// Reads a resource script (code page 932); files it names are found beside it.
// False with a reason when the script cannot be read.
bool LoadResourceScript(const std::string& path, ResourceSet& resources, std::string& error);

// The script and the files it names (paths joined as on disk) come from read
// instead, for a script built into the program.
using ScriptFileReader = std::function<bool(const std::string& path, std::string& bytes)>;
bool LoadResourceScript(const std::string& path, const ScriptFileReader& read,
                        ResourceSet& resources, std::string& error);

// The program's resources, loaded once by the application start-up.
ResourceSet& Resources();

} // namespace framework
