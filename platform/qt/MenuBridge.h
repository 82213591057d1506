#pragma once
// Qt menus for the model's menus. Each popup is filled from its CMenu when it is
// about to show, after the dialog has had WM_INITMENUPOPUP to set its items.
#include "platform/framework/Menu.h"
#include "platform/framework/Messages.h"

#include <QObject>

#include <map>

class QMenu;
class QMenuBar;
class QWidget;

namespace qt {

class MenuBridge : public QObject {
public:
    MenuBridge(HWND dialog, QWidget* owner);

    void FillBar(QMenuBar* bar, CMenu* menu);
    // The window's system menu at a point of the screen.
    void ShowSystemMenu(CMenu* menu, const QPoint& where);

private:
    QMenu* PopupFor(CMenu* menu, UINT index, bool system);
    void Fill(QMenu* popup, CMenu* menu, bool system);
    void Choose(UINT id, bool system);

    HWND m_dialog;
    QWidget* m_owner;
    std::map<CMenu*, QMenu*> m_popups;
};

} // namespace qt
