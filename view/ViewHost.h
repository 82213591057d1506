#pragma once
// What the sector view needs of the window that holds it: the device, the values
// bound to the controls and their exchange, the busy state and the few window
// operations its handlers call. The main dialog implements it.
#include "device/DiskDevice.h"
#include "view/MainValues.h"

class CComboBox;
class CListBox;
class CWnd;

class ViewHost {
public:
    // A start operation of the device: StartSearch, StartReadTest, ...
    using JobStart = int (DiskDevice::*)(const JobParams&);

    virtual DiskDevice& Device() = 0;
    virtual MainValues& Values() = 0;
    virtual void ReadControls() = 0;
    virtual void WriteControls() = 0;
    // 0: the hex view is shown, 1: the sector list.
    virtual int ViewMode() const = 0;
    virtual void SetViewMode(int mode) = 0;
    virtual int RefreshSectorView() = 0;

    virtual void SetBusy(bool busy) = 0;
    // The job start sequence with the given STOP button, and the STOP sequence.
    virtual void StartJob(int stopButton, JobStart start, const JobParams& params) = 0;
    virtual void StopJob() = 0;
    // From the job start sequence until the window is idle again, a tick after the
    // worker has ended: nothing may start, move or close in between.
    virtual bool JobRuns() const = 0;

    virtual BOOL SelectListLineForPosition(LONGLONG position) = 0;
    virtual CListBox& SectorList() = 0;
    virtual CComboBox& DriveList() = 0;
    virtual CWnd* GetDlgItem(int id) const = 0;
    virtual void SetWindowText(const char* text) = 0;

    void EnableControl(int id, BOOL enable);
    void SetControlText(int id, const char* text);

protected:
    ~ViewHost() = default;
};
