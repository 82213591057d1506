#pragma once
// Buttons 1025 "作成" and 1026 "復元": copy the whole open drive into an image
// file, or write an image file onto it. They act only on a removable drive, and
// while a job runs each is that job's STOP button.
#include "view/ViewHost.h"

class CWnd;

class ImageButtons {
public:
    // window: the dialog that owns the file dialogs; host: the same dialog as the
    // view sees it.
    ImageButtons(CWnd& window, ViewHost& host) : m_window(window), m_host(host) {}

    void OnCreateImage();
    void OnRestoreImage();

    // Bytes that must stay free beside a new image.
    static constexpr LONGLONG kFreeSpaceMargin = 100000000;

private:
    void StartCreation(const JobParams& params);
    // The steps both buttons begin with. False when the click ends there: not a
    // removable drive, a job stopped instead, or the file dialog cancelled.
    bool ChooseImageFile(BOOL openFileDialog, DWORD flags, const char* filter, JobParams& params);

    CWnd& m_window;
    ViewHost& m_host;
};
