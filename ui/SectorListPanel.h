#pragma once
// The sector list as a way through the device: picking a line shows its sector,
// a double click goes back to the hex view at that sector.
class MainDialog;

class SectorListPanel {
public:
    explicit SectorListPanel(MainDialog& dialog) : m_dialog(dialog) {}

    void OnSelectionChange();
    void OnDoubleClick();

private:
    MainDialog& m_dialog;
};
