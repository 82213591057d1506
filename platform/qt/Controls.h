#pragma once
// The widgets of a dialog's controls: made from the control's record at its
// template position, wired to report what the user does, and brought up to date
// with the record when the program changes it.
#include "platform/framework/WindowBackend.h"
#include "platform/qt/DialogFont.h"

class QWidget;

namespace qt {

QWidget* CreateControl(const framework::WindowRecord& control, QWidget* client, BaseUnits units);
// Shows one aspect of the record; every aspect when `all` is set.
void ShowControlState(QWidget* widget, const framework::WindowRecord& control,
                      framework::Change what);
void ShowAllControlState(QWidget* widget, const framework::WindowRecord& control);
// The colour query of a static: the text colour the dialog asks for.
void QueryStaticColour(QWidget* widget, const framework::WindowRecord& control);

// The window a widget stands for; null for widgets of our own.
HWND WindowOf(const QObject* widget);
void SetWindowOf(QObject* widget, HWND window);

} // namespace qt
