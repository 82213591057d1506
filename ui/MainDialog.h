#pragma once
// The main window, dialog template 102: it owns the one device of the process and
// every control, binds the values to the controls, and routes each control and
// menu command to its handler.
#include "ui/BusyState.h"
#include "ui/ImageButtons.h"
#include "ui/MenuCommands.h"
#include "ui/MenuState.h"
#include "ui/SectorListBox.h"
#include "ui/SectorListPanel.h"
#include "view/DrivePanel.h"
#include "view/SearchCommand.h"
#include "view/SectorNavigation.h"
#include "view/SectorView.h"
#include "view/ViewHost.h"

#include "platform/framework/Dialog.h"

class MainDialog : public CDialog, public ViewHost {
public:
    explicit MainDialog(CWnd* parent = nullptr);
    ~MainDialog() override;

    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* message) override;

    // Handlers, reached through the command table.
    void OnLockButton() { m_drivePanel.OnLockButton(); }
    void OnPrevSector() { m_navigation.OnPrevSector(); }
    void OnNextSector() { m_navigation.OnNextSector(); }
    void OnBackThousand() { m_navigation.OnBackThousand(); }
    void OnForwardThousand() { m_navigation.OnForwardThousand(); }
    void OnJump() { m_navigation.OnJump(); }
    void OnSearchButton() { m_searchCommand.OnSearchButton(); }
    void OnReadTest();
    void OnCreateImage() { m_imageButtons.OnCreateImage(); }
    void OnRestoreImage() { m_imageButtons.OnRestoreImage(); }
    void OnStop() { StopJob(); }
    void OnSectorListSelChange() { m_listPanel.OnSelectionChange(); }
    void OnSectorListDblClk() { m_listPanel.OnDoubleClick(); }
    // The search type combo box and the two radios choose the text pane's rendering.
    void OnSearchTypeChange() { RefreshSectorView(); }

    // What the view needs of the window.
    DiskDevice& Device() override { return m_device; }
    MainValues& Values() override { return m_values; }
    void ReadControls() override { UpdateData(TRUE); }
    void WriteControls() override { UpdateData(FALSE); }
    int ViewMode() const override { return m_nViewMode; }
    void SetViewMode(int mode) override;
    int RefreshSectorView() override { return m_sectorView.RefreshSectorView(); }
    void SetBusy(bool busy) override { m_busyState.SetBusy(busy); }
    void StartJob(int stopButton, JobStart start, const JobParams& params) override {
        m_busyState.StartJob(stopButton, start, params);
    }
    void StopJob() override { m_busyState.StopJob(); }
    bool JobRuns() const override;
    BOOL SelectListLineForPosition(LONGLONG position) override;
    CListBox& SectorList() override { return m_sectorList; }
    CComboBox& DriveList() override { return m_driveList; }
    CWnd* GetDlgItem(int id) const override { return CDialog::GetDlgItem(id); }
    void SetWindowText(const char* text) override { CDialog::SetWindowText(text); }

protected:
    void DoDataExchange(CDataExchange* exchange) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;
    void OnInitMenuPopup(CMenu* popup, UINT index, BOOL systemMenu) override;
    void OnSysCommand(UINT id, LPARAM lParam) override;
    void OnOK() override {} // Enter never closes the window
    void OnCancel() override;

private:
    bool ArrowKeysMayMove() const;
    void AddAboutItemToSystemMenu();

    DiskDevice m_device;
    int m_nViewMode = 0;

    SectorListBox m_sectorList;
    CComboBox m_searchTypeCombo;
    CButton m_asciiRadio;
    CButton m_sjisRadio;
    CButton m_geometryGroup;
    CButton m_restoreImageButton;
    CButton m_createImageButton;
    CEdit m_patternEdit;
    CEdit m_jumpTargetEdit;
    CEdit m_textPaneEdit;
    CEdit m_hexViewEdit;
    CButton m_jumpButton;
    CButton m_forwardThousandButton;
    CButton m_backThousandButton;
    CButton m_nextSectorButton;
    CButton m_prevSectorButton;
    CButton m_searchButton;
    CComboBox m_driveList;
    CButton m_lockButton;

    MainValues m_values;
    HICON m_hIcon = nullptr;

    SectorView m_sectorView{*this};
    DrivePanel m_drivePanel{*this};
    SectorNavigation m_navigation{*this};
    SearchCommand m_searchCommand{*this};
    BusyState m_busyState{*this, *this};
    MenuState m_menuState{*this};
    MenuCommands m_menuCommands{*this};
    SectorListPanel m_listPanel{*this};
    ImageButtons m_imageButtons{*this, *this};
};
