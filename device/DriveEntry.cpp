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
    int separator = entry.Find(kSeparator);
    if (separator < 0 || separator + kSeparatorLength >= entry.GetLength())
        return 0;
    return entry[separator + kSeparatorLength];
}
