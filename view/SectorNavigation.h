#pragma once
// Moving the current position by whole sectors: "<" and ">" by one, "<<<" and
// ">>>" by a thousand, "Jump" to the sector number typed into edit 1014.
#include "platform/kernel/Types.h"

class CString;
class ViewHost;

// The jump target as a signed decimal number: leading white space, one optional
// sign, then digits up to the first other character; no digits give 0. Too many
// digits wrap around, as the number is built in unsigned arithmetic.
LONGLONG ParseJumpTarget(const CString& text);

class SectorNavigation {
public:
    explicit SectorNavigation(ViewHost& host) : m_host(host) {}

    void OnPrevSector();
    void OnNextSector();
    void OnBackThousand();
    void OnForwardThousand();
    void OnJump();

private:
    void MoveBack(ULONGLONG step);
    void MoveForward(ULONGLONG step);

    ViewHost& m_host;
};
