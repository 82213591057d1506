#pragma once
// Reading a drive-list line back. A disk line is "% 2d - (" + letters + ":)", a
// line for a volume on no disk " * - (" + its letter + ":)". The drive list and the
// drive panel read the lines through these, so both agree on every disk number.
#include "platform/framework/CString.h"

// " * - (": the line names one volume by its letter, not a disk.
bool IsUnmappedDriveEntry(const CString& entry);
// The whole decimal number before " - (", leading blanks skipped; 0 when there is none.
int DriveEntryDiskNumber(const CString& entry);
// The first letter after " - ("; 0 when the line has none.
char DriveEntryLetter(const CString& entry);
// All the letters after " - (", up to the ":)" of a finished line.
CString DriveEntryLetters(const CString& entry);
