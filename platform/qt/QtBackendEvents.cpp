#include "platform/qt/Controls.h"
#include "platform/qt/DialogWindow.h"
#include "platform/qt/QtBackend.h"
#include "platform/qt/UserInput.h"
#include "platform/qt/VirtualKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

namespace qt {
namespace {

bool IsNotifyStatic(QObject* watched, const framework::WindowRecord& record) {
    return qobject_cast<QLabel*>(watched) != nullptr && (record.style & SS_NOTIFY) != 0;
}

} // namespace

bool QtBackend::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        return KeyPressed(watched, static_cast<QKeyEvent*>(event));
    case QEvent::FocusIn: {
        const HWND window = WindowOf(watched);
        const CWnd* focus = CWnd::GetFocus();
        if (m_controls.count(window) != 0 && (focus == nullptr || focus->m_hWnd != window))
            framework::SetFocusFromUser(window);
        break;
    }
    case QEvent::Enter:
        AskCursor(qobject_cast<QWidget*>(watched));
        break;
    case QEvent::Leave:
        m_hovered = nullptr;
        break;
    case QEvent::MouseButtonRelease:
        Clicked(watched, static_cast<QMouseEvent*>(event));
        break;
    default:
        break;
    }
    return false;
}

// Every key goes to the model first, as a key-down of the window with the focus;
// what the program does not take goes on to the widget.
bool QtBackend::KeyPressed(QObject* watched, QKeyEvent* event) {
    const UINT key = VirtualKeyOf(event->key());
    const HWND window = WindowOf(watched);
    // A key the focused widget did not take is offered to its parents too; the
    // model has seen it already.
    const QWidget* focused = QApplication::focusWidget();
    if (key == 0 || window == nullptr || (focused != nullptr && focused != watched))
        return false;
    const bool alt = (event->modifiers() & Qt::AltModifier) != 0;
    if (ReportKey(window, key, alt))
        return true;
    if (alt && key == kVirtualKeySpace) {
        if (auto* dialog = dynamic_cast<DialogWindow*>(static_cast<QWidget*>(watched)->window()))
            dialog->ShowSystemMenu(dialog->mapToGlobal(QPoint(0, 0)));
        return true;
    }
    return false;
}

// The cursor query: the dialog may set a cursor of its own over a control; if it
// does not, the widget keeps Qt's cursor for its kind. A static that sends no
// clicks is transparent to the mouse, so the query names the dialog instead.
void QtBackend::AskCursor(QWidget* widget) {
    const HWND window = widget == nullptr ? nullptr : WindowOf(widget);
    const framework::WindowRecord* record = framework::FindWindowRecord(window);
    if (record == nullptr || m_controls.count(window) == 0)
        return;
    m_hovered = widget;
    const bool transparent =
        qobject_cast<QLabel*>(widget) != nullptr && !IsNotifyStatic(widget, *record);
    const HWND under = transparent ? record->parent : window;
    const LRESULT handled = framework::Deliver(
        record->parent, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
        MAKELPARAM(static_cast<WORD>(HTCLIENT), static_cast<WORD>(WM_MOUSEMOVE)));
    if (handled == 0 && m_hovered != nullptr)
        m_hovered->unsetCursor();
}

void QtBackend::Clicked(QObject* watched, QMouseEvent* event) {
    const HWND window = WindowOf(watched);
    const framework::WindowRecord* record = framework::FindWindowRecord(window);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (record == nullptr || widget == nullptr || event->button() != Qt::LeftButton ||
        !IsNotifyStatic(watched, *record) || !widget->rect().contains(event->position().toPoint()))
        return;
    ReportNotification(window, STN_CLICKED);
}

} // namespace qt
