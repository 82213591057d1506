#include "device/DriveEntry.h"

#include <climits>

namespace {
constexpr char kSeparator[] = " - (";
constexpr int kSeparatorLength = sizeof kSeparator - 1;
} // namespace

bool IsUnmappedDriveEntry(const CString& entry) {
    return entry.Left(2) == " *";
}

int DriveEntryDiskNumber(const CString& entry) {
    int index = 0;
    while (index < entry.GetLength() && entry[index] == ' ')
        ++index;
    long long number = 0;
    for (; index < entry.GetLength() && entry[index] >= '0' && entry[index] <= '9'; ++index) {
        number = number * 10 + (entry[index] - '0');
        if (number > INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(number);
}

char DriveEntryLetter(const CString& entry) {
    const CString letters = DriveEntryLetters(entry);
    return letters.IsEmpty() ? 0 : letters[0];
}

CString DriveEntryLetters(const CString& entry) {
    const int separator = entry.Find(kSeparator);
    if (separator < 0)
        return CString();
    const CString letters = entry.Mid(separator + kSeparatorLength);
    const int end = letters.Find(':');
    return end < 0 ? letters : letters.Left(end);
}
