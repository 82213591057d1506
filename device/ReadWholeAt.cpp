#include "device/ReadWholeAt.h"
#include "platform/kernel/Kernel.h"

bool ReadWholeAt(HANDLE file, ULONGLONG offset, BYTE* buffer, DWORD length) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD done = 0;
    return ReadFile(file, buffer, length, &done, &at) != FALSE && done == length;
}
