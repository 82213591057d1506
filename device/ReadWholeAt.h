#pragma once
// A read at an offset of a file or device that leaves its pointer where it is:
// for passes beside the one that moves it (the view's, a job's).
#include "platform/kernel/Types.h"

// Reads length bytes at offset; false when fewer came, with the last error of a
// failed read.
bool ReadWholeAt(HANDLE file, ULONGLONG offset, BYTE* buffer, DWORD length);
