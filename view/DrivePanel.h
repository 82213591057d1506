#pragma once
// Button 1000, "Lock" and "Unlock": opens the drive chosen in combo box 1013 and
// shows its description and geometry, or closes the open one.
class CString;
class ViewHost;

class DrivePanel {
public:
    explicit DrivePanel(ViewHost& host) : m_host(host) {}

    void OnLockButton();

private:
    void CloseDrive();
    void OpenDrive();
    void ShowOpenedDrive(const CString& drivePart);

    ViewHost& m_host;
};
