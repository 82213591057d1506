#pragma once
// When each menu command may be chosen and which carry a check mark. The rules
// are applied to a popup's items, by position, each time the popup opens; the
// command handlers ask the same rules before they act, so that a command that
// arrives while its item would be greyed does nothing.
#include "platform/kernel/Types.h"

class CMenu;
class ViewHost;

class MenuState {
public:
    // The rules read only what the window shows the view: the device, the values
    // and the view mode.
    explicit MenuState(ViewHost& window) : m_window(window) {}

    // WM_INITMENUPOPUP: every command item of the popup gets the state of its rule;
    // separators, submenus and items without a rule keep theirs.
    void OnInitMenuPopup(CMenu* popup);
    // Whether a command is to be refused now: its rule greys it, though not in
    // every state (such a command only shows a notice).
    bool Refuses(UINT id) const;

private:
    ViewHost& m_window;
};
