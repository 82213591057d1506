#pragma once
// The map file beside a rescued image, in GNU ddrescue's mapfile format, so that
// ddrescue and ddrescuelog read it and Kolm reads theirs: comment lines, the
// current position with the phase and the pass, then one line per area.
#include "jobs/RescueAreas.h"
#include "platform/framework/CString.h"

#include <string_view>

struct RescueMap {
    RescueAreas areas;
    LONGLONG position = 0;  // where the rescue reads now
    char phase = kNotTried; // '?' copying, '*' trimming, '/' scraping, '+' finished
    int pass = 1;
};

// What the window and the job say of a map beside the image that they cannot go on with.
inline constexpr char kMapUnfit[] = "前回のマップファイルは使えません。";

// The map's name for an image's.
CString MapNameOf(const CString& image);
CString MapText(const RescueMap& map);
// Whether the map covers a drive of this many bytes, from its first byte on.
bool MapFits(const RescueMap& map, LONGLONG capacity);
// false for text that is no such map, or whose areas leave a gap.
bool ParseMap(std::string_view text, RescueMap& map);

// Written to a new file, flushed, then renamed over the old map, so that the
// name always holds a whole map. FALSE with the last error.
BOOL SaveMap(const CString& path, const RescueMap& map);
enum class MapLoad { Missing, Unreadable, Loaded };
MapLoad LoadMap(const CString& path, RescueMap& map);
