#pragma once
// The controls each state of the main window disables, written once for the code
// that disables them and the tests that check them. With no device open the window
// is the same at start-up and after "Unlock"; a running job also takes "Lock" and
// the sector list, which it fills or whose device it holds.
#include "resources/Resource.h"

#include <algorithm>
#include <array>

// Disabled while no device is open, in the order they are disabled.
inline constexpr std::array kClosedSet = {
    IDC_SEARCH,      IDC_CREATE_IMAGE, IDC_RESTORE_IMAGE, IDC_PREV_SECTOR, IDC_NEXT_SECTOR,
    IDC_PREV_FAST,   IDC_NEXT_FAST,    IDC_JUMP,          IDC_HEX_VIEW,    IDC_TEXT_PANE,
    IDC_JUMP_TARGET, IDC_PATTERN,      IDC_RADIO_ASCII,   IDC_RADIO_SJIS,  IDC_SEARCH_TYPE,
};

// Disabled when the window opens: no device is open yet.
inline constexpr const auto& kStartUpSet = kClosedSet;

// Disabled while a job runs and enabled again when it ends, in this order.
inline constexpr auto kBusySet = [] {
    std::array<int, kClosedSet.size() + 2> set{};
    std::copy(kClosedSet.begin(), kClosedSet.end(), set.begin());
    set[kClosedSet.size()] = IDC_LOCK;
    set[kClosedSet.size() + 1] = IDC_SECTOR_LIST;
    return set;
}();
