#pragma once
// Reads an icon (.ico) or cursor (.cur) file: the largest of its images, which
// must be 32-bit BGRA device-independent bitmaps.
#include "platform/framework/Resources.h"

#include <string>
#include <string_view>

namespace framework {

enum class IconFileKind { Icon = 1, Cursor = 2 };

// False with a reason when the bytes are not such a file; a cursor's hot spot
// comes from its directory entry.
bool DecodeIconFile(std::string_view bytes, IconFileKind kind, Image& image, std::string& error);

} // namespace framework
