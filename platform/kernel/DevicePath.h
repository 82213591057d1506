#pragma once
// Reading the device paths and drive roots the system names drives by.
#include "platform/kernel/Types.h"

#include <string_view>

namespace kernel {

struct DeviceName {
    enum class Kind { None, Drive, Letter };
    Kind kind = Kind::None;
    DWORD drive = 0; // for Drive: the n of PHYSICALDRIVE<n>
    int letter = 0;  // for Letter: 0 for A: to 25 for Z:
};

// "\\.\PHYSICALDRIVE<n>" or "\\.\<X>:".
DeviceName ParseDevicePath(std::string_view path);
// A device path or "<X>:", with or without one trailing backslash.
DeviceName ParseDriveRoot(std::string_view root);
// "<X>:" alone or followed by a backslash and more.
DeviceName ParseLetterPrefix(std::string_view path);

} // namespace kernel
