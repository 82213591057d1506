#pragma once
// The hex view text of one sector: a line per 16 bytes, each beginning with the
// device byte offset of its first byte.
#include "platform/framework/CString.h"

CString FormatHexDump(LONGLONG position, const BYTE* buffer, DWORD sectorSize);
