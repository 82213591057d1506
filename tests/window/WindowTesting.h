#pragma once
// What the window tests share: one QApplication, the sample drive made by the
// project's script, and ways to reach the widgets of a dialog's controls.
#include "platform/framework/Dialog.h"
#include "platform/qt/QtBackend.h"

#include <QApplication>
#include <QWidget>

#include <string>

namespace window_testing {

QApplication& Application();
// The application object, for the cursors and icons the dialogs load from it.
CWinApp& WinApp();
// Lets Qt handle what is queued (layout, painting, posted calls).
void Settle();
// Runs scripts/make-sample-drive into a folder of its own; the image's path, or
// empty when the script failed.
std::string MakeSampleDrive();

template <class T> T* ControlWidget(const qt::QtBackend& backend, const CWnd& dialog, int id) {
    const CWnd* control = dialog.GetDlgItem(id);
    return control == nullptr ? nullptr
                              : dynamic_cast<T*>(backend.WidgetOf(control->GetSafeHwnd()));
}

CString ControlText(const CWnd& dialog, int id);

} // namespace window_testing
