#include "platform/qt/MenuBridge.h"

#include "platform/framework/WindowBackend.h"
#include "platform/qt/QtText.h"

#include <QMenu>
#include <QMenuBar>

namespace qt {
namespace {

constexpr UINT kSubmenu = static_cast<UINT>(-1);

QString ItemText(CMenu* menu, int position) {
    CString text;
    menu->GetMenuString(static_cast<UINT>(position), text, MF_BYPOSITION);
    return ToQString(text);
}

} // namespace

MenuBridge::MenuBridge(HWND dialog, QWidget* owner)
    : QObject(owner), m_dialog(dialog), m_owner(owner) {}

void MenuBridge::FillBar(QMenuBar* bar, CMenu* menu) {
    bar->clear();
    if (menu == nullptr)
        return;
    const int count = static_cast<int>(menu->GetMenuItemCount());
    for (int position = 0; position < count; ++position) {
        const UINT id = menu->GetMenuItemID(position);
        if (id == kSubmenu) {
            QMenu* popup = PopupFor(menu->GetSubMenu(position), static_cast<UINT>(position), false);
            popup->setTitle(ItemText(menu, position));
            bar->addMenu(popup);
        } else if (id != 0) {
            QAction* action = bar->addAction(ItemText(menu, position));
            connect(action, &QAction::triggered, this, [this, id] { Choose(id, false); });
        }
    }
}

void MenuBridge::ShowSystemMenu(CMenu* menu, const QPoint& where) {
    if (menu != nullptr)
        PopupFor(menu, 0, true)->popup(where);
}

QMenu* MenuBridge::PopupFor(CMenu* menu, UINT index, bool system) {
    auto known = m_popups.find(menu);
    if (known != m_popups.end())
        return known->second;
    auto* popup = new QMenu(m_owner);
    m_popups.emplace(menu, popup);
    connect(popup, &QMenu::aboutToShow, this, [this, popup, menu, index, system] {
        framework::Deliver(m_dialog, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu->m_hMenu),
                           MAKELPARAM(static_cast<WORD>(index), system ? 1 : 0));
        Fill(popup, menu, system);
    });
    // Filled once now too: the menu bar shows no title for an empty menu.
    Fill(popup, menu, system);
    return popup;
}

void MenuBridge::Fill(QMenu* popup, CMenu* menu, bool system) {
    popup->clear();
    const int count = static_cast<int>(menu->GetMenuItemCount());
    for (int position = 0; position < count; ++position) {
        const UINT id = menu->GetMenuItemID(position);
        const UINT state = menu->GetMenuState(static_cast<UINT>(position), MF_BYPOSITION);
        if (id == kSubmenu) {
            QMenu* submenu =
                PopupFor(menu->GetSubMenu(position), static_cast<UINT>(position), system);
            submenu->setTitle(ItemText(menu, position));
            popup->addMenu(submenu);
        } else if (id == 0 || (state & MF_SEPARATOR) != 0) {
            popup->addSeparator();
        } else {
            QAction* action = popup->addAction(ItemText(menu, position));
            action->setEnabled((state & (MF_GRAYED | MF_DISABLED)) == 0);
            action->setCheckable((state & MF_CHECKED) != 0);
            action->setChecked((state & MF_CHECKED) != 0);
            connect(action, &QAction::triggered, this, [this, id, system] { Choose(id, system); });
        }
    }
}

void MenuBridge::Choose(UINT id, bool system) {
    if (system)
        framework::Deliver(m_dialog, WM_SYSCOMMAND, id, 0);
    else
        framework::Deliver(m_dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
}

} // namespace qt
