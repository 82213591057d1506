#pragma once
// A small file beside an image (a rescue's map, a checksum) that is never seen
// half written.
#include "platform/framework/CString.h"

// Written to a new file (the path with ".new" appended), flushed with the folder
// that names it, then renamed over the old file, so that the name always holds a
// whole text. FALSE with the last error.
BOOL ReplaceWholeFile(const CString& path, const CString& text);
