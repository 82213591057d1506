#pragma once
// The sector list, list box 1035. It is sorted, and orders its lines by the offset
// they begin with, so that lines of eleven digits and more (offsets from 2^40 on)
// follow the ten-digit ones instead of falling among them by text; lines of equal
// offset keep the platform's text order.
#include "platform/framework/Wnd.h"

class SectorListBox : public CListBox {
public:
    int CompareItem(const CString& a, const CString& b) const override;
};
