#include "platform/framework/Dialog.h"
#include "platform/qt/Controls.h"
#include "platform/qt/DialogWindow.h"
#include "platform/qt/QtBackend.h"
#include "platform/qt/QtImages.h"
#include "platform/qt/UserInput.h"
#include "platform/qt/VirtualKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QWindow>

namespace qt {
namespace {

bool IsNotifyStatic(QObject* watched, const framework::WindowRecord& record) {
    return qobject_cast<QLabel*>(watched) != nullptr && (record.style & SS_NOTIFY) != 0;
}

} // namespace

bool QtBackend::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        if (DialogWindow* window = DialogOfHandle(watched))
            return KeyPressed(*window, static_cast<QKeyEvent*>(event));
        break;
    case QEvent::WinIdChange:
        // The dialog has a window of the windowing system now (again): its keys
        // arrive there.
        if (auto* window = dynamic_cast<DialogWindow*>(watched); window && window->windowHandle())
            window->windowHandle()->installEventFilter(this);
        break;
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

DialogWindow* QtBackend::DialogOfHandle(QObject* handle) const {
    if (!handle->isWindowType())
        return nullptr;
    for (const auto& [dialog, window] : m_dialogs) {
        if (window->windowHandle() == handle)
            return window;
    }
    return nullptr;
}

// A key-down comes to the dialog's window once, from the windowing system, before
// Qt hands it to the widget with the focus and, when that widget leaves it, to the
// widgets around it. So the model sees it here, once, as the key-down of the
// control with the focus; what the program does not take goes on to that widget.
// The focus is the window's own: it stays on its control while a message box of
// the program's handler has the keyboard.
bool QtBackend::KeyPressed(DialogWindow& window, QKeyEvent* event) {
    const UINT key = VirtualKeyOf(event->key());
    // An open menu or drop-down list has the keys to itself.
    if (key == 0 || window.Dialog() == nullptr || QWidget::keyboardGrabber() != nullptr ||
        QApplication::activePopupWidget() != nullptr)
        return false;
    HWND focus = window.Dialog();
    for (QObject* widget = window.focusWidget(); widget != nullptr; widget = widget->parent()) {
        if (m_controls.count(WindowOf(widget)) != 0) {
            focus = WindowOf(widget);
            break;
        }
    }
    const bool alt = (event->modifiers() & Qt::AltModifier) != 0;
    if (ReportKey(focus, key, alt))
        return true;
    if (alt && key == kVirtualKeySpace) {
        window.ShowSystemMenu(window.mapToGlobal(QPoint(0, 0)));
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
    if (m_hovered == nullptr)
        return;
    // The model tells the backend of a cursor only when it changes, but a Qt
    // cursor belongs to one widget: the one now under the mouse takes the answer,
    // also when it is the cursor another widget already showed.
    if (handled != 0)
        m_hovered->setCursor(ToQCursor(::GetCursor()));
    else
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
