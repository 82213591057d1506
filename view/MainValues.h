#pragma once
// The main window's values that data exchange binds to its controls, with the
// texts the window opens with.
#include "platform/framework/CString.h"

struct MainValues {
    CString m_strBytesPerSector = "---";  // static 1005
    CString m_strCylinders = "---";       // static 1001
    CString m_strMediaType;               // static 1002, hidden
    CString m_strHeads = "---";           // static 1003
    CString m_strSectorsPerTrack = "---"; // static 1004
    CString m_strHexView;                 // edit 1006
    CString m_strLastLba = "--------";    // static 1009
    CString m_strTextPane;                // edit 1010
    int m_nDriveIndex = -1;               // combo 1013
    CString m_strCurrentLba = "--------"; // static 1016
    CString m_strPattern;                 // edit 1018
    CString m_strJumpTarget = "0";        // edit 1014
    CString m_strPosition;                // static 1024
    int m_nRadio = 0;                     // radios 1029 and 1031, hidden
    CString m_strRate;                    // static 1028
    int m_nSearchType = 0;                // combo 1033
    CString m_strSectorOwner;             // static 1040: what the sector belongs to
};
