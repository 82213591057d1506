#pragma once
// The actions of the menu commands that are not buttons of the window: the read
// test, the data-sector scan, the two views, the search types, the header
// searches, the removed sector-range command and the about box.
#include "platform/kernel/Types.h"

class MainDialog;

class MenuCommands {
public:
    explicit MenuCommands(MainDialog& dialog) : m_dialog(dialog) {}

    // Carries out a menu command; false when the command is none of these.
    bool OnCommand(UINT id);

    void OnReadTest();
    void OnDataScan();
    void OnSectorList();
    void OnHexView();
    void OnSearchType(int type);
    void OnHeaderSearch(const char* pattern);
    void OnSectorRangeToFile();

private:
    MainDialog& m_dialog;
};
