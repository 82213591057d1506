#pragma once
// Menus: the menu bar from the resource script and the window's system menu, with
// enabling and check marks set by position or by command.
#include "platform/framework/CString.h"
#include "platform/framework/Styles.h"

#include <memory>
#include <vector>

struct HMENU__;
using HMENU = HMENU__*;

namespace framework {
struct MenuItemTemplate;
}

class CMenu {
public:
    CMenu();
    ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;
    static CMenu* FromHandle(HMENU menu);

    BOOL LoadMenu(UINT resourceId);
    BOOL CreatePopupMenu();
    UINT GetMenuItemCount() const;
    // The command of the item at a position; 0 for a separator, (UINT)-1 for a submenu.
    UINT GetMenuItemID(int position) const;
    CMenu* GetSubMenu(int position) const;
    UINT GetMenuState(UINT item, UINT flags) const; // MF_GRAYED, MF_DISABLED, MF_CHECKED bits
    int GetMenuString(UINT item, CString& text, UINT flags) const;
    UINT EnableMenuItem(UINT item, UINT flags);
    UINT CheckMenuItem(UINT item, UINT flags);
    // A string item or a separator (MF_SEPARATOR).
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const char* text = nullptr);

private:
    UINT ReplaceItemBits(UINT item, UINT flags, UINT mask);
    struct Item {
        CString text;
        UINT id = 0;
        UINT flags = 0; // MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_SEPARATOR, MF_POPUP
        std::unique_ptr<CMenu> popup;
    };
    // The item at a position (MF_BYPOSITION) or with a command, submenus searched.
    Item* Find(UINT item, UINT flags);
    const Item* Find(UINT item, UINT flags) const;
    void Fill(const std::vector<framework::MenuItemTemplate>& items);

    std::vector<Item> m_items;
};
