#pragma once
// The unit codes of capacities and rates: 0 bytes, 1 KB, 2 MB, 3 GB, 4 TB, each step
// a truncating division by 1024; any other code leaves bytes.
#include "platform/kernel/Types.h"

inline LONGLONG ScaleByUnit(LONGLONG bytes, int unit) {
    if (unit < 1 || unit > 4)
        return bytes;
    for (int step = 0; step < unit; ++step)
        bytes /= 1024;
    return bytes;
}
