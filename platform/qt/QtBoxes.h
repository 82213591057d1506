#pragma once
// Message boxes and file dialogs on Qt's own dialogs.
#include "platform/framework/WindowBackend.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace qt {

// Returns IDOK, IDCANCEL, IDYES or IDNO as the box's type allows.
int RunMessageBox(QWidget* owner, const CString& text, const CString& caption, UINT type);
bool RunFileDialog(QWidget* owner, framework::FileDialogRequest& request);

// "Display(*.a;*.b)|*.a;*.b||" as Qt's name filters "Display(*.a;*.b) (*.a *.b)".
QStringList QtNameFilters(const CString& filter);

} // namespace qt
