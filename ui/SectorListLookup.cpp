#include "ui/SectorListLookup.h"

#include "platform/framework/Wnd.h"

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

LONGLONG ListLineOffset(const CString& line) {
    const char* cursor = line.GetString();
    while (IsBlank(*cursor))
        ++cursor;
    ULONGLONG offset = 0;
    for (int digit; (digit = HexDigitValue(*cursor)) >= 0; ++cursor)
        offset = offset * 16 + static_cast<ULONGLONG>(digit);
    return static_cast<LONGLONG>(offset);
}

BOOL SelectListLineForPosition(CListBox& list, LONGLONG position) {
    list.SetCurSel(-1);
    const int count = list.GetCount();
    CString line;
    for (int index = 0; index < count; ++index) {
        list.GetText(index, line);
        if (ListLineOffset(line) == position) {
            list.SetCurSel(index);
            return TRUE;
        }
    }
    return FALSE;
}
