#include "platform/qt/Controls.h"
#include "platform/qt/ListControl.h"
#include "platform/qt/QtText.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>

namespace qt {
namespace {

using framework::Change;
using framework::WindowRecord;

void ShowText(QWidget* widget, const WindowRecord& control) {
    if (auto* button = dynamic_cast<QAbstractButton*>(widget)) {
        button->setText(ToQString(control.text));
    } else if (auto* group = dynamic_cast<QGroupBox*>(widget)) {
        group->setTitle(ToQString(control.text));
    } else if (auto* line = dynamic_cast<QLineEdit*>(widget)) {
        const QString text = ToQString(control.text);
        if (line->text() != text)
            line->setText(text);
    } else if (auto* edit = dynamic_cast<QPlainTextEdit*>(widget)) {
        edit->setPlainText(ToQStringLines(control.text));
    } else if (auto* label = dynamic_cast<QLabel*>(widget); label && label->pixmap().isNull()) {
        label->setText(ToQString(control.text));
        QueryStaticColour(widget, control);
    }
}

void ShowItems(QWidget* widget, const WindowRecord& control) {
    if (auto* list = dynamic_cast<ListControl*>(widget)) {
        list->ShowItems(control.items);
    } else if (auto* combo = dynamic_cast<QComboBox*>(widget)) {
        combo->clear();
        for (const CString& item : control.items)
            combo->addItem(ToQString(item));
    }
}

void ShowSelection(QWidget* widget, const WindowRecord& control) {
    if (auto* list = dynamic_cast<QListWidget*>(widget)) {
        list->setCurrentRow(control.selection);
        if (control.selection < 0)
            list->clearSelection();
        else
            list->scrollToItem(list->item(control.selection));
    } else if (auto* combo = dynamic_cast<QComboBox*>(widget)) {
        combo->setCurrentIndex(control.selection);
    }
}

} // namespace

void ShowControlState(QWidget* widget, const WindowRecord& control, Change what) {
    // The program's changes are not the user's: no notification may come of them.
    const QSignalBlocker quiet(widget);
    switch (what) {
    case Change::Text:
        ShowText(widget, control);
        break;
    case Change::Enabled:
        widget->setEnabled(control.enabled);
        break;
    case Change::Visible:
        widget->setVisible(control.visible);
        break;
    case Change::Items:
        ShowItems(widget, control);
        ShowSelection(widget, control);
        break;
    case Change::Selection:
        ShowSelection(widget, control);
        break;
    case Change::Check:
        if (auto* button = dynamic_cast<QAbstractButton*>(widget))
            button->setChecked(control.check != 0);
        break;
    case Change::Focus:
    case Change::Icon:
    case Change::Menu:
        break; // the dialog's, not the control's
    }
}

void ShowAllControlState(QWidget* widget, const WindowRecord& control) {
    for (Change what :
         {Change::Text, Change::Items, Change::Check, Change::Enabled, Change::Visible})
        ShowControlState(widget, control, what);
}

void QueryStaticColour(QWidget* widget, const WindowRecord& control) {
    CDC dc;
    framework::Deliver(control.parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(&dc),
                       reinterpret_cast<LPARAM>(control.hwnd));
    const CDC::COLORREF colour = dc.GetTextColor(); // 0x00BBGGRR
    QPalette palette = widget->parentWidget()->palette();
    if (colour != 0) {
        const QColor text(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                          static_cast<int>((colour >> 16) & 0xFF));
        // Only the active and inactive look: a disabled static stays grey.
        palette.setColor(QPalette::Active, QPalette::WindowText, text);
        palette.setColor(QPalette::Inactive, QPalette::WindowText, text);
    }
    widget->setPalette(palette);
}

} // namespace qt
