#include "tests/ui/MainWindowFixture.h"

#include "platform/framework/Menu.h"
#include "platform/text/Cp932.h"
#include "resources/AboutTexts.h"

namespace {

enum WindowState { kNoDevice, kOpenIdle, kJobRuns };

// Menu-bar paths of the popups that hold commands, and their commands.
struct Popup {
    int menu;
    int submenu; // -1: the menu itself
    std::vector<UINT> commands;
};

const std::vector<Popup> kPopups = {
    {0, -1, {ID_DRIVE_LOCK, ID_DRIVE_UNLOCK, ID_DRIVE_SCAN, ID_DRIVE_READ_TEST, ID_DRIVE_STOP}},
    {1, 0, {ID_VIEW_HEX, ID_VIEW_SECTOR_LIST}},
    {1,
     2,
     {ID_SEARCH_ASCII, ID_SEARCH_SJIS, ID_SEARCH_UNICODE, ID_SEARCH_HEX, ID_SEARCH_HEX_HEADER}},
    {1, 3, {ID_HEADER_BMP, ID_HEADER_JPG, ID_HEADER_DOC_XLS, ID_HEADER_PDF, ID_HEADER_MDB}},
    {1, -1, {ID_SECTOR_RANGE_TO_FILE}},
    {2, -1, {ID_HELP_ABOUT}},
};

// Enabled in no device / open and idle / job running.
std::array<bool, 3> Expected(UINT id) {
    switch (id) {
    case ID_DRIVE_LOCK:
        return {true, false, false};
    case ID_DRIVE_STOP:
        return {false, false, true};
    case ID_VIEW_HEX:
    case ID_VIEW_SECTOR_LIST:
    case ID_HELP_ABOUT:
        return {true, true, true};
    case ID_SECTOR_RANGE_TO_FILE:
        return {false, false, false};
    default: // unlock, scan, read test, search types, header searches
        return {false, true, false};
    }
}

class MenuTest : public MainWindowTest {
protected:
    void SetUp() override { disk = &StartOnLongDisk(); }

    void StopAndFinish() {
        backend.Click(IDC_SEARCH);
        FinishJob();
    }

    bool Checked(UINT id) const {
        return (dialog->GetMenu()->GetMenuState(id, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }

    void ExpectMenuStates(WindowState state) {
        for (const Popup& popup : kPopups) {
            CMenu* menu = popup.submenu < 0 ? backend.OpenMenu({popup.menu})
                                            : backend.OpenMenu({popup.menu, popup.submenu});
            ASSERT_NE(menu, nullptr);
            for (UINT id : popup.commands) {
                const UINT bits = menu->GetMenuState(id, MF_BYCOMMAND);
                EXPECT_EQ((bits & MF_GRAYED) == 0, Expected(id)[state]) << id << " in " << state;
            }
        }
        CMenu* sector = backend.OpenMenu({1});
        for (int submenu : {0, 2, 3})
            EXPECT_EQ(sector->GetMenuState(static_cast<UINT>(submenu), MF_BYPOSITION) & MF_GRAYED,
                      0u);
    }

    SimulatedDisk* disk = nullptr;
};

TEST_F(MenuTest, EachItemIsEnabledAsItsRuleSaysInEachStateOfTheWindow) {
    ExpectMenuStates(kNoDevice);
    Lock();
    ExpectMenuStates(kOpenIdle);
    StartLongSearch();
    ExpectMenuStates(kJobRuns);
    StopAndFinish();
    ExpectMenuStates(kOpenIdle);
    backend.ChooseCommand(ID_DRIVE_UNLOCK);
    ExpectMenuStates(kNoDevice);
}

TEST_F(MenuTest, CommandsThatTheirRulesGreyDoNothingWhenTheyArriveAllTheSame) {
    // No device: a read test or a scan would leave the busy set enabled.
    SendCommand(ID_DRIVE_READ_TEST);
    SendCommand(ID_DRIVE_SCAN);
    SendCommand(ID_HEADER_BMP);
    EXPECT_FALSE(dialog->Device().IsWorkerRunning());
    EXPECT_FALSE(backend.TimerRunning(0));
    EXPECT_FALSE(backend.Enabled(IDC_SEARCH));
    EXPECT_TRUE(backend.Enabled(IDC_LOCK));

    Lock();
    SendCommand(ID_DRIVE_LOCK); // "Lock" with a device open would close it
    EXPECT_TRUE(dialog->Device().IsLocked());

    StartLongSearch();
    ASSERT_TRUE(dialog->Device().IsWorkerRunning());
    const DWORD worker = dialog->Device().GetWorkerThreadId();
    for (UINT id : {ID_DRIVE_UNLOCK, ID_DRIVE_LOCK, ID_DRIVE_READ_TEST, ID_DRIVE_SCAN,
                    ID_HEADER_PDF, ID_SEARCH_HEX}) {
        SendCommand(id);
        EXPECT_EQ(dialog->Device().GetWorkerThreadId(), worker) << id;
    }
    // The buttons are disabled, but their handlers refuse as well.
    dialog->OnLockButton();
    dialog->StartJob(IDC_SEARCH, &DiskDevice::StartReadTest, JobParams{0, 0, 0, ""});
    EXPECT_EQ(dialog->Device().GetWorkerThreadId(), worker);
    EXPECT_TRUE(disk->Claimed());
    EXPECT_EQ(Text(IDC_SEARCH), "STOP");
    StopAndFinish();
    EXPECT_TRUE(dialog->Device().IsLocked());
    SendCommand(ID_DRIVE_STOP); // no job: nothing to stop
    EXPECT_EQ(Text(IDC_SEARCH), "Search");
}

TEST_F(MenuTest, TheRemovedCommandIsGreyedAndOnlyShowsItsNotice) {
    Lock();
    backend.OpenMenu({1});
    EXPECT_FALSE(backend.ChooseCommand(ID_SECTOR_RANGE_TO_FILE));
    SendCommand(ID_SECTOR_RANGE_TO_FILE);
    ASSERT_EQ(backend.boxes.size(), 1u);
    EXPECT_EQ(backend.boxes[0].text, Jp("この機能は意図的に削除しています"));
    EXPECT_EQ(backend.boxes[0].type, UINT{MB_OK | MB_ICONEXCLAMATION});
    EXPECT_FALSE(dialog->Device().IsWorkerRunning());
}

TEST_F(MenuTest, SearchTypeItemsSetBothHoldersAndTheMarkFollowsTheComboBox) {
    Lock();
    backend.OpenMenu({1, 2});
    ASSERT_TRUE(backend.ChooseCommand(ID_SEARCH_HEX));
    EXPECT_EQ(backend.Selection(IDC_SEARCH_TYPE), SEARCH_HEX);
    backend.OpenMenu({1, 2});
    for (UINT id : {ID_SEARCH_ASCII, ID_SEARCH_SJIS, ID_SEARCH_UNICODE, ID_SEARCH_HEX_HEADER})
        EXPECT_FALSE(Checked(id)) << id;
    EXPECT_TRUE(Checked(ID_SEARCH_HEX));

    // The combo box alone moves the mark at the next opening.
    backend.Choose(IDC_SEARCH_TYPE, TEXT_SJIS);
    backend.OpenMenu({1, 2});
    EXPECT_TRUE(Checked(ID_SEARCH_SJIS));
    EXPECT_FALSE(Checked(ID_SEARCH_HEX));

    // Unicode renders the text pane as UTF-16: "AB" shows as one character per pair.
    disk->Fill(0, std::string("A\0B\0", 4));
    backend.Click(IDC_JUMP);
    backend.OpenMenu({1, 2});
    ASSERT_TRUE(backend.ChooseCommand(ID_SEARCH_UNICODE));
    EXPECT_EQ(Text(IDC_TEXT_PANE).Left(2), "AB");
    backend.OpenMenu({1, 2});
    ASSERT_TRUE(backend.ChooseCommand(ID_SEARCH_ASCII));
    EXPECT_EQ(Text(IDC_TEXT_PANE).Left(3), "A.B");
}

TEST_F(MenuTest, EachHeaderItemSearchesFromTheCurrentSectorForItsFileType) {
    struct Case {
        UINT id;
        const char* pattern;
        std::string bytes;
    };
    const Case cases[] = {
        {ID_HEADER_BMP, "424D", "BM"},
        {ID_HEADER_JPG, "FFD8FFE000104A46494600", std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11)},
        {ID_HEADER_DOC_XLS, "D0CF11E0A1B11AE1", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"},
        {ID_HEADER_PDF, "25504446", "%PDF"},
        {ID_HEADER_MDB, "000100005374616E6461726420", std::string("\0\1\0\0Standard ", 13)},
    };
    disk = &machine.AddDisk(64 << 20);
    machine.AddLetter('D', *disk);
    dialog.reset();
    Start();
    Lock(1);
    LONGLONG sector = 10;
    for (const Case& c : cases) {
        disk->Fill(sector * 512 - 512, c.bytes); // before the start: not found
        disk->Fill(sector * 512 + 512 * 7, c.bytes);
        JumpTo(std::to_string(sector).c_str());
        backend.OpenMenu({1, 3});
        ASSERT_TRUE(backend.ChooseCommand(c.id));
        EXPECT_EQ(Text(IDC_PATTERN), c.pattern);
        EXPECT_EQ(backend.Selection(IDC_SEARCH_TYPE), SEARCH_HEX_HEADER);
        EXPECT_EQ(Text(IDC_SEARCH), "STOP");
        FinishJob();
        EXPECT_EQ(Text(IDC_CURRENT_LBA), std::to_string(sector + 7).c_str()) << c.pattern;
        sector += 100;
    }
}

TEST_F(MenuTest, TheAboutBoxOpensFromTheHelpMenuAndTheSystemMenuWithItsLinks) {
    CMenu* system = backend.OpenSystemMenu();
    ASSERT_NE(system, nullptr);
    const UINT last = system->GetMenuItemCount() - 1;
    EXPECT_EQ(system->GetMenuItemID(static_cast<int>(last)), UINT{IDM_ABOUTBOX});
    EXPECT_EQ(system->GetMenuItemID(static_cast<int>(last - 1)), 0u) << "a separator first";
    CString text;
    system->GetMenuString(IDM_ABOUTBOX, text, MF_BYCOMMAND);
    EXPECT_EQ(text, Jp("Kolm のﾊﾞｰｼﾞｮﾝ情報(&A)..."));

    std::vector<CString> captions;
    backend.onModal = [&](CDialog& about) {
        captions.push_back(backend.Text(0));
        EXPECT_EQ(about.TemplateId(), UINT{IDD_ABOUTBOX});
        EXPECT_EQ(backend.TextColour(IDC_MAIL), 0xFF0000u);
        EXPECT_EQ(backend.TextColour(IDC_WEB), 0xFF0000u);
        EXPECT_EQ(backend.TextColour(IDOK), 0u);
        backend.Hover(IDC_WEB);
        EXPECT_NE(backend.cursor, nullptr);
        EXPECT_EQ(backend.cursor, AfxGetApp()->LoadCursor(IDC_HAND));
        backend.Hover(IDOK);
        EXPECT_EQ(backend.cursor, nullptr);
        backend.Click(IDC_MAIL);
        backend.Click(IDC_WEB);
        backend.Click(IDOK);
    };
    backend.ChooseSystemCommand(IDM_ABOUTBOX | 0x3); // the low bits are the platform's
    backend.OpenMenu({2});
    ASSERT_TRUE(backend.ChooseCommand(ID_HELP_ABOUT));
    ASSERT_EQ(captions.size(), 2u);
    EXPECT_EQ(captions[0], Jp("Kolmのﾊﾞｰｼﾞｮﾝ情報"));
    const CString mail = "open mailto:" KOLM_MAIL, web = "open " KOLM_WEB_PAGE;
    EXPECT_EQ(backend.shellOpened, (std::vector<CString>{mail, web, mail, web}));
    EXPECT_NE(backend.Window(0), nullptr) << "the main window stays";
}

} // namespace
