#pragma once
// What the name typed for a new image chooses: a compressed format for a name
// ending in ".zst", ".xz" or ".gz", a raw image for any other.
#include "platform/framework/CString.h"
#include "platform/kernel/Types.h"

USHORT ImageFormatOfName(const CString& path);
