#include "ui/MenuState.h"

#include "view/ViewHost.h"

#include "platform/framework/Menu.h"
#include "resources/Resource.h"

namespace {

// The three states of the window, as the rules see them.
enum class When { Always, NoDevice, OpenAndIdle, JobRuns, Never };
// What a check mark follows: nothing, the search type index or the view mode.
enum class Mark { None, SearchType, ViewMode };

constexpr UINT kSubmenu = static_cast<UINT>(-1);

struct Rule {
    UINT id;
    When enabled;
    Mark mark;
    int markedValue;
};

constexpr Rule kRules[] = {
    {ID_DRIVE_LOCK, When::NoDevice, Mark::None, 0},
    {ID_DRIVE_UNLOCK, When::OpenAndIdle, Mark::None, 0},
    {ID_DRIVE_SCAN, When::OpenAndIdle, Mark::None, 0},
    {ID_DRIVE_READ_TEST, When::OpenAndIdle, Mark::None, 0},
    {ID_DRIVE_STOP, When::JobRuns, Mark::None, 0},
    {ID_VIEW_HEX, When::Always, Mark::ViewMode, 0},
    {ID_VIEW_SECTOR_LIST, When::Always, Mark::ViewMode, 1},
    {ID_SEARCH_ASCII, When::OpenAndIdle, Mark::SearchType, TEXT_ASCII},
    {ID_SEARCH_SJIS, When::OpenAndIdle, Mark::SearchType, TEXT_SJIS},
    {ID_SEARCH_UNICODE, When::OpenAndIdle, Mark::SearchType, TEXT_UNICODE},
    {ID_SEARCH_HEX, When::OpenAndIdle, Mark::SearchType, SEARCH_HEX},
    {ID_SEARCH_HEX_HEADER, When::OpenAndIdle, Mark::SearchType, SEARCH_HEX_HEADER},
    {ID_HEADER_BMP, When::OpenAndIdle, Mark::None, 0},
    {ID_HEADER_JPG, When::OpenAndIdle, Mark::None, 0},
    {ID_HEADER_DOC_XLS, When::OpenAndIdle, Mark::None, 0},
    {ID_HEADER_PDF, When::OpenAndIdle, Mark::None, 0},
    {ID_HEADER_MDB, When::OpenAndIdle, Mark::None, 0},
    {ID_SECTOR_RANGE_TO_FILE, When::Never, Mark::None, 0},
    {ID_HELP_ABOUT, When::Always, Mark::None, 0},
};

const Rule* RuleOf(UINT id) {
    for (const Rule& rule : kRules)
        if (rule.id == id)
            return &rule;
    return nullptr;
}

bool Enabled(ViewHost& window, const Rule& rule) {
    const bool open = window.Device().IsLocked() != FALSE;
    const bool jobRuns = window.JobRuns();
    switch (rule.enabled) {
    case When::Always:
        return true;
    case When::NoDevice:
        return !open;
    case When::OpenAndIdle:
        return open && !jobRuns;
    case When::JobRuns:
        return jobRuns;
    case When::Never:
        break;
    }
    return false;
}

// The search type marks follow what combo box 1033 shows now, not the value last
// read from it.
bool Checked(ViewHost& window, const Rule& rule) {
    if (rule.mark == Mark::SearchType) {
        window.ReadControls();
        return window.Values().m_nSearchType == rule.markedValue;
    }
    return window.ViewMode() == rule.markedValue;
}

void Apply(ViewHost& window, CMenu& popup, UINT position, const Rule& rule) {
    if (rule.enabled != When::Always)
        popup.EnableMenuItem(position,
                             MF_BYPOSITION |
                                 (Enabled(window, rule) ? MF_ENABLED : MF_DISABLED | MF_GRAYED));
    if (rule.mark != Mark::None)
        popup.CheckMenuItem(position,
                            MF_BYPOSITION | (Checked(window, rule) ? MF_CHECKED : MF_UNCHECKED));
}

} // namespace

void MenuState::OnInitMenuPopup(CMenu* popup) {
    if (popup == nullptr)
        return;
    const UINT count = popup->GetMenuItemCount();
    for (UINT position = 0; position < count; ++position) {
        const UINT id = popup->GetMenuItemID(static_cast<int>(position));
        if (id == 0 || id == kSubmenu)
            continue;
        if (const Rule* rule = RuleOf(id))
            Apply(m_window, *popup, position, *rule);
    }
}

bool MenuState::Refuses(UINT id) const {
    const Rule* rule = RuleOf(id);
    return rule != nullptr && rule->enabled != When::Never && !Enabled(m_window, *rule);
}
