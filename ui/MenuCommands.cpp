#include "ui/MenuCommands.h"

#include "ui/AboutDialog.h"
#include "ui/MainDialog.h"
#include "view/CurrentLba.h"

#include "platform/text/Cp932.h"
#include "resources/Resource.h"

namespace {

struct SearchTypeCommand {
    UINT id;
    int type;
};

constexpr SearchTypeCommand kSearchTypes[] = {
    {ID_SEARCH_ASCII, TEXT_ASCII},
    {ID_SEARCH_SJIS, TEXT_SJIS},
    {ID_SEARCH_UNICODE, TEXT_UNICODE},
    {ID_SEARCH_HEX, SEARCH_HEX},
    {ID_SEARCH_HEX_HEADER, SEARCH_HEX_HEADER},
};

// The first bytes of each kind of file, as hexadecimal digits for the pattern edit.
struct HeaderCommand {
    UINT id;
    const char* pattern;
};

constexpr HeaderCommand kHeaders[] = {
    {ID_HEADER_BMP, "424D"},                       // "BM"
    {ID_HEADER_JPG, "FFD8FFE000104A46494600"},     // start of image, JFIF segment
    {ID_HEADER_DOC_XLS, "D0CF11E0A1B11AE1"},       // compound document
    {ID_HEADER_PDF, "25504446"},                   // "%PDF"
    {ID_HEADER_MDB, "000100005374616E6461726420"}, // Jet database, "Standard "
};

// Every job reads the device from sector 0 or the current sector to the last.
JobParams WholeRange(const DiskDevice& device, LONGLONG first) {
    JobParams params;
    params.nSectorSize = device.GetBytesPerSector();
    params.llFirstLba = first;
    params.llLastLba = device.GetLastLba();
    return params;
}

} // namespace

bool MenuCommands::OnCommand(UINT id) {
    for (const SearchTypeCommand& command : kSearchTypes) {
        if (command.id == id) {
            OnSearchType(command.type);
            return true;
        }
    }
    for (const HeaderCommand& command : kHeaders) {
        if (command.id == id) {
            OnHeaderSearch(command.pattern);
            return true;
        }
    }
    switch (id) {
    case ID_DRIVE_READ_TEST:
        OnReadTest();
        return true;
    case ID_DRIVE_SCAN:
        OnDataScan();
        return true;
    case ID_VIEW_SECTOR_LIST:
        OnSectorList();
        return true;
    case ID_VIEW_HEX:
        OnHexView();
        return true;
    case ID_SECTOR_RANGE_TO_FILE:
        OnSectorRangeToFile();
        return true;
    case ID_HELP_ABOUT:
        OpenAboutBox();
        return true;
    default:
        return false;
    }
}

// From the sector shown now to the last sector of the device.
void MenuCommands::OnReadTest() {
    DiskDevice& device = m_dialog.Device();
    device.SetScanList(&m_dialog.SectorList()); // where a rescue lists its bad areas
    m_dialog.StartJob(IDC_SEARCH, &DiskDevice::StartReadTest,
                      WholeRange(device, CurrentLba(device)));
}

// The whole device, into the sector list, which is shown while it fills.
void MenuCommands::OnDataScan() {
    DiskDevice& device = m_dialog.Device();
    if (!device.IsLocked())
        return;
    m_dialog.SetViewMode(1);
    device.SetScanList(&m_dialog.SectorList());
    m_dialog.StartJob(IDC_SEARCH, &DiskDevice::StartDataScan, WholeRange(device, 0));
}

// An empty list is filled first, when a scan may run now.
void MenuCommands::OnSectorList() {
    DiskDevice& device = m_dialog.Device();
    if (m_dialog.SectorList().GetCount() == 0 && device.IsLocked() && !m_dialog.JobRuns())
        OnDataScan();
    m_dialog.SelectListLineForPosition(device.GetPosition());
    m_dialog.SetViewMode(1);
}

void MenuCommands::OnHexView() {
    m_dialog.SetViewMode(0);
}

// The values are current: the rules of these items read the controls when their
// menu opened.
void MenuCommands::OnSearchType(int type) {
    m_dialog.Values().m_nSearchType = type;
    m_dialog.Device().SetSearchType(type);
    m_dialog.WriteControls();
    m_dialog.RefreshSectorView();
}

void MenuCommands::OnHeaderSearch(const char* pattern) {
    m_dialog.ReadControls();
    m_dialog.Values().m_strPattern = pattern;
    m_dialog.Values().m_nSearchType = SEARCH_HEX_HEADER;
    m_dialog.Device().SetSearchType(SEARCH_HEX_HEADER);
    m_dialog.WriteControls();
    m_dialog.OnSearchButton();
}

void MenuCommands::OnSectorRangeToFile() {
    AfxMessageBox(Jp("この機能は意図的に削除しています").c_str(), MB_OK | MB_ICONEXCLAMATION);
}
