#include "platform/framework/Menu.h"
#include "platform/framework/Resources.h"

namespace {

constexpr UINT ENABLE_BITS = MF_GRAYED | MF_DISABLED;
constexpr UINT NOT_FOUND = static_cast<UINT>(-1);

} // namespace

CMenu::CMenu() = default;
CMenu::~CMenu() = default;

// A menu's handle is the object itself: it lives exactly as long as the menu.
CMenu* CMenu::FromHandle(HMENU menu) {
    return reinterpret_cast<CMenu*>(menu);
}

BOOL CMenu::LoadMenu(UINT resourceId) {
    const framework::MenuTemplate* menu = framework::Resources().Menu(static_cast<int>(resourceId));
    if (menu == nullptr)
        return FALSE;
    CreatePopupMenu();
    Fill(menu->items);
    return TRUE;
}

void CMenu::Fill(const std::vector<framework::MenuItemTemplate>& items) {
    for (const framework::MenuItemTemplate& source : items) {
        Item item;
        item.text = source.text;
        item.id = source.id;
        item.flags = source.flags & (ENABLE_BITS | MF_CHECKED);
        if (source.separator) {
            item.flags = MF_SEPARATOR;
            item.id = 0;
        } else if (source.popup) {
            item.flags |= MF_POPUP;
            item.id = 0;
            item.popup = std::make_unique<CMenu>();
            item.popup->CreatePopupMenu();
            item.popup->Fill(source.items);
        }
        m_items.push_back(std::move(item));
    }
}

BOOL CMenu::CreatePopupMenu() {
    m_items.clear();
    m_hMenu = reinterpret_cast<HMENU>(this);
    return TRUE;
}

UINT CMenu::GetMenuItemCount() const {
    return static_cast<UINT>(m_items.size());
}

UINT CMenu::GetMenuItemID(int position) const {
    const Item* item = Find(static_cast<UINT>(position), MF_BYPOSITION);
    if (item == nullptr || item->popup != nullptr)
        return NOT_FOUND;
    return item->id;
}

CMenu* CMenu::GetSubMenu(int position) const {
    const Item* item = Find(static_cast<UINT>(position), MF_BYPOSITION);
    return item == nullptr ? nullptr : item->popup.get();
}

UINT CMenu::GetMenuState(UINT item, UINT flags) const {
    const Item* found = Find(item, flags);
    return found == nullptr ? NOT_FOUND : found->flags;
}

int CMenu::GetMenuString(UINT item, CString& text, UINT flags) const {
    const Item* found = Find(item, flags);
    text = found == nullptr ? CString() : found->text;
    return text.GetLength();
}

// Sets the bits of mask from flags on one item; returns the bits it had, or NOT_FOUND.
UINT CMenu::ReplaceItemBits(UINT item, UINT flags, UINT mask) {
    Item* found = Find(item, flags);
    if (found == nullptr)
        return NOT_FOUND;
    UINT previous = found->flags & mask;
    found->flags = (found->flags & ~mask) | (flags & mask);
    return previous;
}

UINT CMenu::EnableMenuItem(UINT item, UINT flags) {
    return ReplaceItemBits(item, flags, ENABLE_BITS);
}

UINT CMenu::CheckMenuItem(UINT item, UINT flags) {
    return ReplaceItemBits(item, flags, MF_CHECKED);
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR id, const char* text) {
    if (m_hMenu == nullptr || (flags & MF_POPUP))
        return FALSE;
    Item item;
    if (flags & MF_SEPARATOR) {
        item.flags = MF_SEPARATOR;
    } else {
        item.text = CString(text);
        item.id = static_cast<UINT>(id);
        item.flags = flags & (ENABLE_BITS | MF_CHECKED);
    }
    m_items.push_back(std::move(item));
    return TRUE;
}

const CMenu::Item* CMenu::Find(UINT item, UINT flags) const {
    if (flags & MF_BYPOSITION)
        return item < m_items.size() ? &m_items[item] : nullptr;
    for (const Item& candidate : m_items) {
        if (candidate.popup != nullptr) {
            if (const Item* inner = candidate.popup->Find(item, flags))
                return inner;
        } else if (!(candidate.flags & MF_SEPARATOR) && candidate.id == item) {
            return &candidate;
        }
    }
    return nullptr;
}

CMenu::Item* CMenu::Find(UINT item, UINT flags) {
    return const_cast<Item*>(static_cast<const CMenu*>(this)->Find(item, flags));
}
