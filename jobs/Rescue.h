#pragma once
// The passes of a rescue, as GNU ddrescue makes them, over what a map leaves:
// copy the areas not tried in clusters, skipping further after each failure in a
// row and coming back for what was skipped; trim each failed cluster sector by
// sector from both ends inward up to its first bad sector; scrape what is left
// sector by sector. Reads are positional, of whole sectors, on the unbuffered
// device; no sector is read twice in one pass.
#include "jobs/RescueMap.h"

#include <functional>

struct RescueHooks {
    std::function<bool()> stop;
    std::function<void(LONGLONG)> progress; // the position reached
    // Rescued bytes at their device offset; false ends the rescue.
    std::function<bool(LONGLONG, const BYTE*, DWORD)> keep;
    // The map as it stands, at least every 30 s.
    std::function<void(const RescueMap&)> save;
};

// True when every pass ran to its end; false when stopped or keep failed.
bool RunRescue(HANDLE device, DWORD sectorSize, RescueMap& map, const RescueHooks& hooks);
