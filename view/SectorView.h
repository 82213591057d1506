#pragma once
// The sector at the device's current position, drawn into the hex view, the text
// pane and the "CUR" and "POS" texts.
#include "device/TextKind.h"

class ViewHost;

// The text pane's rendering for a search type: ASCII, SJIS and Unicode render as
// themselves, the two HEX types (and anything else) as ASCII.
TextKind TextKindOfSearchType(int searchType);

class SectorView {
public:
    explicit SectorView(ViewHost& host) : m_host(host) {}

    // 1 when it drew, 0 when the sector size is below 256 and nothing changed.
    int RefreshSectorView();
    // From now on the line under the panes follows the index as it is built, also
    // while the position stays where it is.
    void FollowSectorOwners();

private:
    ViewHost& m_host;
};
