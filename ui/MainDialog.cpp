#include "ui/MainDialog.h"

#include "ui/AboutDialog.h"
#include "ui/SectorListLookup.h"
#include "view/ControlSets.h"

#include "platform/framework/Menu.h"

#include "resources/Resource.h"

namespace {

struct CommandRoute {
    WORD id;
    WORD notification; // BN_CLICKED for buttons and menu commands alike
    void (MainDialog::*handler)();
};

constexpr CommandRoute kCommandRoutes[] = {
    {IDC_LOCK, BN_CLICKED, &MainDialog::OnLockButton},
    {ID_DRIVE_LOCK, BN_CLICKED, &MainDialog::OnLockButton},
    {ID_DRIVE_UNLOCK, BN_CLICKED, &MainDialog::OnLockButton},
    {IDC_PREV_SECTOR, BN_CLICKED, &MainDialog::OnPrevSector},
    {IDC_NEXT_SECTOR, BN_CLICKED, &MainDialog::OnNextSector},
    {IDC_PREV_FAST, BN_CLICKED, &MainDialog::OnBackThousand},
    {IDC_NEXT_FAST, BN_CLICKED, &MainDialog::OnForwardThousand},
    {IDC_JUMP, BN_CLICKED, &MainDialog::OnJump},
    {IDC_SEARCH, BN_CLICKED, &MainDialog::OnSearchButton},
    {IDC_CREATE_IMAGE, BN_CLICKED, &MainDialog::OnCreateImage},
    {IDC_RESTORE_IMAGE, BN_CLICKED, &MainDialog::OnRestoreImage},
    {ID_DRIVE_STOP, BN_CLICKED, &MainDialog::OnStop},
    {IDC_SEARCH_TYPE, CBN_SELCHANGE, &MainDialog::OnSearchTypeChange},
    {IDC_RADIO_ASCII, BN_CLICKED, &MainDialog::OnSearchTypeChange},
    {IDC_RADIO_SJIS, BN_CLICKED, &MainDialog::OnSearchTypeChange},
    {IDC_SECTOR_LIST, LBN_SELCHANGE, &MainDialog::OnSectorListSelChange},
    {IDC_SECTOR_LIST, LBN_DBLCLK, &MainDialog::OnSectorListDblClk},
};

HICON LoadApplicationIcon() {
    CWinApp* app = AfxGetApp();
    return app != nullptr ? app->LoadIcon(IDR_MAINFRAME) : nullptr;
}

} // namespace

MainDialog::MainDialog(CWnd* parent)
    : CDialog(IDD_KOLM_DIALOG, parent), m_hIcon(LoadApplicationIcon()) {}

MainDialog::~MainDialog() {
    // A job may still ask for the controls (the scan adds list lines): it is ended
    // while they exist. The device closes itself after that.
    m_device.StopWorker();
}

void MainDialog::OnCancel() {
    if (m_busyState.MayClose())
        CDialog::OnCancel();
}

void MainDialog::DoDataExchange(CDataExchange* exchange) {
    CDialog::DoDataExchange(exchange);
    DDX_Control(exchange, IDC_SECTOR_LIST, m_sectorList);
    DDX_Control(exchange, IDC_SEARCH_TYPE, m_searchTypeCombo);
    DDX_Control(exchange, IDC_RADIO_ASCII, m_asciiRadio);
    DDX_Control(exchange, IDC_RADIO_SJIS, m_sjisRadio);
    DDX_Control(exchange, IDC_GEOMETRY_GROUP, m_geometryGroup);
    DDX_Control(exchange, IDC_RESTORE_IMAGE, m_restoreImageButton);
    DDX_Control(exchange, IDC_CREATE_IMAGE, m_createImageButton);
    DDX_Control(exchange, IDC_PATTERN, m_patternEdit);
    DDX_Control(exchange, IDC_JUMP_TARGET, m_jumpTargetEdit);
    DDX_Control(exchange, IDC_TEXT_PANE, m_textPaneEdit);
    DDX_Control(exchange, IDC_HEX_VIEW, m_hexViewEdit);
    DDX_Control(exchange, IDC_JUMP, m_jumpButton);
    DDX_Control(exchange, IDC_NEXT_FAST, m_forwardThousandButton);
    DDX_Control(exchange, IDC_PREV_FAST, m_backThousandButton);
    DDX_Control(exchange, IDC_NEXT_SECTOR, m_nextSectorButton);
    DDX_Control(exchange, IDC_PREV_SECTOR, m_prevSectorButton);
    DDX_Control(exchange, IDC_SEARCH, m_searchButton);
    DDX_Control(exchange, IDC_DRIVE_LIST, m_driveList);
    DDX_Control(exchange, IDC_LOCK, m_lockButton);

    DDX_Text(exchange, IDC_BYTES_PER_SECTOR, m_values.m_strBytesPerSector);
    DDX_Text(exchange, IDC_CYLINDERS, m_values.m_strCylinders);
    DDX_Text(exchange, IDC_MEDIA_TYPE, m_values.m_strMediaType);
    DDX_Text(exchange, IDC_HEADS, m_values.m_strHeads);
    DDX_Text(exchange, IDC_SECTORS_PER_TRACK, m_values.m_strSectorsPerTrack);
    DDX_Text(exchange, IDC_HEX_VIEW, m_values.m_strHexView);
    DDX_Text(exchange, IDC_LAST_LBA, m_values.m_strLastLba);
    DDX_Text(exchange, IDC_TEXT_PANE, m_values.m_strTextPane);
    DDX_CBIndex(exchange, IDC_DRIVE_LIST, m_values.m_nDriveIndex);
    DDX_Text(exchange, IDC_CURRENT_LBA, m_values.m_strCurrentLba);
    DDX_Text(exchange, IDC_PATTERN, m_values.m_strPattern);
    DDX_Text(exchange, IDC_JUMP_TARGET, m_values.m_strJumpTarget);
    DDX_Text(exchange, IDC_POSITION, m_values.m_strPosition);
    DDX_Radio(exchange, IDC_RADIO_ASCII, m_values.m_nRadio);
    DDX_Text(exchange, IDC_RATE, m_values.m_strRate);
    DDX_CBIndex(exchange, IDC_SEARCH_TYPE, m_values.m_nSearchType);
    DDX_Text(exchange, IDC_SECTOR_OWNER, m_values.m_strSectorOwner);
}

BOOL MainDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    m_sectorView.FollowSectorOwners();
    AddAboutItemToSystemMenu();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_driveList.ResetContent();
    for (int index = 0; index < m_device.GetDriveCount(); ++index)
        m_driveList.AddString(m_device.GetDriveEntry(index));

    // Until a drive is opened only the drive choice and "Lock" may be used.
    for (int id : kStartUpSet)
        EnableControl(id, FALSE);
    SetViewMode(0);
    return TRUE;
}

void MainDialog::AddAboutItemToSystemMenu() {
    CMenu* systemMenu = GetSystemMenu(FALSE);
    if (systemMenu == nullptr)
        return;
    CString text;
    if (!text.LoadString(IDS_ABOUTBOX))
        return;
    systemMenu->AppendMenu(MF_SEPARATOR);
    systemMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, text);
}

BOOL MainDialog::PreTranslateMessage(MSG* message) {
    if (message->message == WM_KEYDOWN &&
        (message->wParam == VK_LEFT || message->wParam == VK_RIGHT)) {
        if (ArrowKeysMayMove()) {
            if (message->wParam == VK_LEFT)
                OnPrevSector();
            else
                OnNextSector();
        }
        // Not handled: the key still reaches the focused control, and the dialog's
        // own keyboard navigation does not see it.
        return FALSE;
    }
    return CDialog::PreTranslateMessage(message);
}

// The keys work in every state of the window, but before any device was opened
// there is no sector size to move by, and while a job runs the position and the
// device belong to the worker.
bool MainDialog::ArrowKeysMayMove() const {
    return m_device.GetBytesPerSector() != 0 && !JobRuns();
}

bool MainDialog::JobRuns() const {
    return m_device.IsWorkerRunning() || m_busyState.IsBusy();
}

// A menu command whose item would be greyed now does nothing, however it came.
BOOL MainDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (HIWORD(wParam) == 0 && (m_menuState.Refuses(id) || m_menuCommands.OnCommand(id)))
        return TRUE;
    for (const CommandRoute& route : kCommandRoutes) {
        if (route.id == LOWORD(wParam) && route.notification == HIWORD(wParam)) {
            (this->*route.handler)();
            return TRUE;
        }
    }
    return CDialog::OnCommand(wParam, lParam);
}

void MainDialog::OnTimer(UINT_PTR id) {
    m_busyState.OnTimer(id);
    CDialog::OnTimer(id);
}

void MainDialog::OnInitMenuPopup(CMenu* popup, UINT index, BOOL systemMenu) {
    CDialog::OnInitMenuPopup(popup, index, systemMenu);
    m_menuState.OnInitMenuPopup(popup);
}

// The low four bits of a system command are the platform's own.
void MainDialog::OnSysCommand(UINT id, LPARAM lParam) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX)
        OpenAboutBox();
    else
        CDialog::OnSysCommand(id, lParam);
}

void MainDialog::SetViewMode(int mode) {
    m_nViewMode = mode == 1 ? 1 : 0;
    m_sectorList.ShowWindow(m_nViewMode == 1 ? SW_SHOW : SW_HIDE);
    m_hexViewEdit.ShowWindow(m_nViewMode == 1 ? SW_HIDE : SW_SHOW);
}

BOOL MainDialog::SelectListLineForPosition(LONGLONG position) {
    return ::SelectListLineForPosition(m_sectorList, position);
}
