#pragma once
// Menus: the menu bar from the resource script and the window's system menu, with
// enabling and check marks set by position or by command.
#include "platform/framework/CString.h"
#include "platform/framework/Styles.h"

#include <memory>
#include <vector>

struct HMENU__;
using HMENU = HMENU__*;

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
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const char* text = nullptr);
};
