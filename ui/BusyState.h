#pragma once
// The main window while a job runs: the controls that could start other work or
// move the position are disabled, one button reads "STOP", and a 50 ms timer copies
// the job's progress into "CUR", "POS" and the rate text. The first tick that finds
// the worker gone returns the window to idle and redraws the sector the job left;
// after a STOP that is the tick after the job has finished its chunk.
#include "view/ViewHost.h"

class CWnd;

class BusyState {
public:
    // window: the dialog that owns the timer; host: the same dialog as the view sees it.
    BusyState(CWnd& window, ViewHost& host) : m_window(window), m_host(host) {}

    void SetBusy(bool busy);
    void StartJob(int stopButton, ViewHost::JobStart start, const JobParams& params);
    void StopJob();
    // Esc or the close box: true when the window may close now; otherwise the job
    // is asked to stop and the window closes once it has ended, so that no process
    // without a window goes on holding the drive.
    bool MayClose();
    void OnTimer(UINT_PTR id);
    // From the job start sequence until the window is idle again, which is a tick
    // after the job has ended.
    bool IsBusy() const { return m_busy; }

    static constexpr UINT_PTR kTimerId = 0;
    static constexpr UINT kTimerPeriod = 50; // milliseconds

private:
    void EnterBusy();
    void LeaveBusy();
    void ShowProgress(UINT_PTR id, const CString& currentLba);

    CWnd& m_window;
    ViewHost& m_host;
    bool m_busy = false;
    int m_stopButton = 0;
    bool m_stopping = false; // STOP was pressed; the job finishes its chunk
    bool m_closing = false;
};
