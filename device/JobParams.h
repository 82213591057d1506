#pragma once
// What a command hands to a job start; the device keeps a copy.
#include "platform/framework/CString.h"

struct JobParams {
    DWORD nSectorSize = 0;    // bytes per sector
    LONGLONG llFirstLba = -1; // first sector, inclusive; -1: unset, every start refuses
    LONGLONG llLastLba = -1;  // last sector, inclusive
    CString strText;          // search pattern or image file path
};
