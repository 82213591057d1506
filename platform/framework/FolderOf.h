#pragma once
// The folder part of a file's path.
#include "platform/framework/CString.h"

namespace framework {

// The path up to and including its last "/", or "." for a bare name. A "/" is
// never the second byte of a double-byte character, so the bytes are searched as
// they are.
CString FolderOf(const CString& path);

} // namespace framework
