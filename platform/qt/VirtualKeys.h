#pragma once
// Qt's key codes as the platform's virtual keys.
#include "platform/kernel/Types.h"

namespace qt {

inline constexpr UINT kVirtualKeySpace = 0x20;

// 0 for a key the program has no virtual key for.
UINT VirtualKeyOf(int qtKey);

} // namespace qt
