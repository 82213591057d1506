#pragma once
// Reading a sector-list line back to its sector, and selecting the line of a
// position. A line begins with a blank and the sector's byte offset in upper-case
// hexadecimal, ten digits or more, then a blank and the rest.
#include "platform/framework/CString.h"

class CListBox;

// Every hex digit after the leading white space up to the first other character,
// so offsets of 2^40 and more, written with eleven digits or more, read whole.
LONGLONG ListLineOffset(const CString& line);

// Clears the selection, then selects the first line whose offset is position.
// Selecting this way sends no notification. TRUE when a line was selected.
BOOL SelectListLineForPosition(CListBox& list, LONGLONG position);
