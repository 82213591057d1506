#include "tests/framework/TestDialog.h"

namespace {

using framework::ControlTemplate;

ControlTemplate Control(const char* windowClass, int id, const char* text, DWORD style) {
    ControlTemplate control;
    control.windowClass = windowClass;
    control.id = id;
    control.text = text;
    control.style = WS_CHILD | WS_VISIBLE | style;
    return control;
}

framework::MenuItemTemplate Item(const char* text, UINT id) {
    framework::MenuItemTemplate item;
    item.text = text;
    item.id = id;
    return item;
}

framework::MenuItemTemplate Popup(const char* text,
                                  std::vector<framework::MenuItemTemplate> items) {
    framework::MenuItemTemplate popup;
    popup.text = text;
    popup.popup = true;
    popup.items = std::move(items);
    return popup;
}

framework::MenuItemTemplate Separator() {
    framework::MenuItemTemplate separator;
    separator.separator = true;
    return separator;
}

} // namespace

void InstallTestTemplates() {
    framework::DialogTemplate dialog;
    dialog.id = TEST_DIALOG;
    dialog.caption = "Test";
    dialog.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
    dialog.cx = 200;
    dialog.cy = 100;
    dialog.menuId = TEST_MENU;
    dialog.controls = {
        Control("Static", LABEL, "Label", SS_LEFT),
        Control("Edit", EDIT_NAME, "", ES_AUTOHSCROLL | WS_TABSTOP),
        Control("Edit", EDIT_READONLY, "fixed", ES_READONLY | WS_TABSTOP),
        Control("ComboBox", COMBO, "", CBS_DROPDOWNLIST | WS_TABSTOP),
        Control("ListBox", LIST, "", LBS_NOTIFY | LBS_SORT),
        Control("Button", RADIO_A, "A", BS_AUTORADIOBUTTON | WS_GROUP),
        Control("Button", RADIO_B, "B", BS_AUTORADIOBUTTON),
        Control("Static", LINK, "link", SS_NOTIFY),
        Control("Button", HIDDEN, "hidden", BS_PUSHBUTTON),
        Control("Button", DISABLED, "disabled", BS_PUSHBUTTON | WS_DISABLED | WS_TABSTOP),
        Control("Button", BUTTON, "button", BS_PUSHBUTTON | WS_TABSTOP),
        Control("Button", IDOK, "OK", BS_DEFPUSHBUTTON),
    };
    dialog.controls[8].style &= ~WS_VISIBLE;
    dialog.initialItems[COMBO] = {"zero", "one", "two"};
    framework::Resources().dialogs[TEST_DIALOG] = dialog;

    framework::MenuTemplate menu;
    menu.id = TEST_MENU;
    menu.items = {
        Popup("File",
              {Item("Open", CMD_OPEN), Separator(), Popup("Sub", {Item("Deep", CMD_DEEP)})}),
        Popup("Help", {Item("About", CMD_ABOUT), Item("Check", CMD_CHECK)}),
    };
    framework::Resources().menus[TEST_MENU] = menu;
}
