#include "tests/framework/TestDialog.h"

#include "platform/text/Cp932.h"

using Menus = TestDialogFixture;

TEST_F(Menus, TheMenuBarComesFromTheDialogsMenuResource) {
    CMenu* bar = dialog.GetMenu();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetMenuItemCount(), 2u);
    CMenu* file = bar->GetSubMenu(0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->GetMenuItemID(0), CMD_OPEN);
    EXPECT_EQ(file->GetMenuItemID(1), 0u) << "a separator";
    EXPECT_EQ(file->GetMenuItemID(2), static_cast<UINT>(-1)) << "a submenu";
    EXPECT_EQ(file->GetSubMenu(2)->GetMenuItemID(0), CMD_DEEP);
    CString text;
    bar->GetMenuString(1, text, MF_BYPOSITION);
    EXPECT_EQ(text, "Help");
    EXPECT_EQ(bar->GetMenuState(CMD_DEEP, MF_BYCOMMAND), 0u) << "found in a submenu";
}

TEST_F(Menus, EnableAndCheckByPositionReturnThePreviousState) {
    CMenu* help = dialog.GetMenu()->GetSubMenu(1);
    EXPECT_EQ(help->CheckMenuItem(1, MF_BYPOSITION | MF_CHECKED), MF_UNCHECKED);
    EXPECT_EQ(help->CheckMenuItem(1, MF_BYPOSITION | MF_CHECKED), MF_CHECKED);
    EXPECT_EQ(help->EnableMenuItem(0, MF_BYPOSITION | MF_DISABLED | MF_GRAYED), MF_ENABLED);
    EXPECT_EQ(help->GetMenuState(CMD_ABOUT, MF_BYCOMMAND), MF_DISABLED | MF_GRAYED);
    EXPECT_EQ(help->GetMenuState(CMD_CHECK, MF_BYCOMMAND), MF_CHECKED);
    EXPECT_EQ(help->EnableMenuItem(7, MF_BYPOSITION), static_cast<UINT>(-1));
}

TEST_F(Menus, OpeningAPopupRunsTheHookForEachLevel) {
    dialog.greyOpen = true;
    CMenu* sub = backend.OpenMenu({0, 2});
    ASSERT_EQ(dialog.popups.size(), 2u);
    EXPECT_EQ(dialog.popups[0].first, dialog.GetMenu()->GetSubMenu(0));
    EXPECT_EQ(dialog.popups[1].first, sub);
    EXPECT_FALSE(dialog.popups[1].second);
    EXPECT_EQ(dialog.GetMenu()->GetMenuState(CMD_OPEN, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);

    EXPECT_FALSE(backend.ChooseCommand(CMD_OPEN)) << "a greyed item cannot be chosen";
    EXPECT_TRUE(backend.ChooseCommand(CMD_DEEP));
    EXPECT_EQ(dialog.Notifications(CMD_OPEN, 0), 0);
    EXPECT_EQ(dialog.Notifications(CMD_DEEP, 0), 1);
}

TEST_F(Menus, TheSystemMenuTakesAppendedItemsAndSendsSystemCommands) {
    CMenu* system = dialog.GetSystemMenu(FALSE);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(system->GetMenuItemID(0), SC_CLOSE);
    CString close;
    system->GetMenuString(SC_CLOSE, close, MF_BYCOMMAND);
    EXPECT_EQ(close.str(), Jp("閉じる"));
    EXPECT_TRUE(system->AppendMenu(MF_SEPARATOR));
    EXPECT_TRUE(system->AppendMenu(MF_STRING, 16, "About..."));
    EXPECT_EQ(dialog.GetSystemMenu(FALSE), system);

    EXPECT_EQ(backend.OpenSystemMenu(), system);
    ASSERT_EQ(dialog.popups.size(), 1u);
    EXPECT_TRUE(dialog.popups[0].second);
    EXPECT_EQ(system->GetMenuItemCount(), 3u);

    backend.ChooseSystemCommand(16);
    EXPECT_EQ(dialog.systemCommands, std::vector<UINT>{16});
    EXPECT_NE(backend.Window(0), nullptr) << "only the close command closes";

    EXPECT_EQ(dialog.GetSystemMenu(TRUE), nullptr);
    EXPECT_EQ(dialog.GetSystemMenu(FALSE)->GetMenuItemCount(), 1u) << "revert drops additions";
}

TEST(MenuWithoutResource, FailsToLoad) {
    CMenu menu;
    EXPECT_FALSE(menu.LoadMenu(31337));
    EXPECT_EQ(menu.GetSubMenu(0), nullptr);
}
