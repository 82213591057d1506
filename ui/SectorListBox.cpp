#include "ui/SectorListBox.h"

#include "ui/SectorListLookup.h"

int SectorListBox::CompareItem(const CString& a, const CString& b) const {
    const LONGLONG offsetA = ListLineOffset(a);
    const LONGLONG offsetB = ListLineOffset(b);
    if (offsetA != offsetB)
        return offsetA < offsetB ? -1 : 1;
    return CListBox::CompareItem(a, b);
}
