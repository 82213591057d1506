#include "platform/qt/QtBackend.h"

#include "platform/framework/UiThread.h"
#include "platform/qt/Controls.h"
#include "platform/qt/DialogWindow.h"
#include "platform/qt/QtBoxes.h"
#include "platform/qt/QtImages.h"
#include "platform/qt/QtText.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QGroupBox>
#include <QScreen>
#include <QTimer>
#include <QUrl>

namespace qt {
namespace {

using framework::Change;
using framework::WindowRecord;

QFont FontOf(const WindowRecord& dialog) {
    if (dialog.dialog == nullptr || (dialog.dialog->style & DS_SETFONT) == 0)
        return InterfaceFont();
    return DialogFont(dialog.dialog->fontName, dialog.dialog->fontPointSize);
}

void Centre(QWidget& window, const QWidget* owner) {
    const QRect area = owner != nullptr             ? owner->frameGeometry()
                       : window.screen() != nullptr ? window.screen()->availableGeometry()
                                                    : QRect();
    if (area.isValid())
        window.move(area.center() - window.rect().center());
}

} // namespace

QtBackend::QtBackend() {
    QApplication::setFont(InterfaceFont());
    // A hand-over from another thread wakes the Qt thread with a queued call.
    framework::SetUiWakeHook([] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { framework::ServeUiRequests(); },
            Qt::QueuedConnection);
    });
    framework::InstallBackend(this);
}

QtBackend::~QtBackend() {
    framework::InstallBackend(nullptr);
    framework::SetUiWakeHook(nullptr);
    for (auto& [dialog, window] : m_dialogs)
        delete window;
}

QWidget* QtBackend::WidgetOf(HWND window) const {
    if (auto dialog = m_dialogs.find(window); dialog != m_dialogs.end())
        return dialog->second;
    auto control = m_controls.find(window);
    return control == m_controls.end() ? nullptr : control->second;
}

void QtBackend::WindowCreated(HWND dialog) {
    const WindowRecord* record = framework::FindWindowRecord(dialog);
    if (record == nullptr)
        return;
    QWidget* owner = OwnerWidget(record->parent);
    auto* window = new DialogWindow(dialog, owner, FontOf(*record));
    m_dialogs[dialog] = window;
    SetWindowOf(window, dialog);
    window->installEventFilter(this);
    const BaseUnits units = BaseUnitsOf(window->font());
    window->SetClientSize(DialogRect(units, 0, 0, record->cx, record->cy).size());
    CreateControls(*window, *record);
    if ((record->style & WS_MINIMIZEBOX) != 0)
        window->setWindowFlag(Qt::WindowMinimizeButtonHint);
    for (Change what : {Change::Text, Change::Icon, Change::Menu, Change::Enabled})
        ShowDialogState(*window, *record, what);
    Centre(*window, owner);
    if (record->visible)
        window->show();
    if (CWnd* focus = CWnd::GetFocus())
        ShowFocus(focus->m_hWnd);
}

void QtBackend::CreateControls(DialogWindow& window, const WindowRecord& dialog) {
    const BaseUnits units = BaseUnitsOf(window.font());
    for (HWND child : dialog.children) {
        const WindowRecord* control = framework::FindWindowRecord(child);
        if (control == nullptr)
            continue;
        QWidget* widget = CreateControl(*control, window.Client(), units);
        widget->installEventFilter(this);
        m_controls[child] = widget;
        window.controls.push_back(child);
    }
    // A group box is drawn behind the controls it frames, whatever its place in
    // the template.
    for (QGroupBox* group : window.Client()->findChildren<QGroupBox*>())
        group->lower();
}

void QtBackend::ShowDialogState(DialogWindow& window, const WindowRecord& dialog, Change what) {
    switch (what) {
    case Change::Text:
        window.setWindowTitle(ToQString(dialog.text));
        break;
    case Change::Icon:
        window.setWindowIcon(
            ToQIcon(dialog.smallIcon != nullptr ? dialog.smallIcon : dialog.bigIcon));
        break;
    case Change::Menu:
        window.ShowMenu(dialog.menu);
        break;
    case Change::Enabled:
        window.setEnabled(dialog.enabled);
        break;
    case Change::Visible:
        window.setVisible(dialog.visible);
        break;
    default:
        break;
    }
}

void QtBackend::WindowChanged(HWND window, Change what) {
    const WindowRecord* record = framework::FindWindowRecord(window);
    if (record == nullptr)
        return;
    if (what == Change::Focus) {
        ShowFocus(window);
    } else if (auto dialog = m_dialogs.find(window); dialog != m_dialogs.end()) {
        ShowDialogState(*dialog->second, *record, what);
    } else if (auto control = m_controls.find(window); control != m_controls.end()) {
        ShowControlState(control->second, *record, what);
    }
}

void QtBackend::ShowFocus(HWND window) {
    const CWnd* focus = CWnd::GetFocus();
    QWidget* widget = WidgetOf(window);
    if (widget != nullptr && focus != nullptr && focus->m_hWnd == window && !widget->hasFocus())
        widget->setFocus(Qt::OtherFocusReason);
}

void QtBackend::WindowDestroyed(HWND dialog) {
    auto found = m_dialogs.find(dialog);
    if (found == m_dialogs.end())
        return;
    DialogWindow* window = found->second;
    m_dialogs.erase(found);
    for (HWND control : window->controls) {
        m_controls.erase(control);
        KillTimersOf(control);
    }
    KillTimersOf(dialog);
    EndModal(dialog);
    m_endedEarly.erase(dialog);
    window->Detach();
    window->hide();
    // Later: the user's click that ended the dialog may still be on the stack.
    window->deleteLater();
}

void QtBackend::RunModal(HWND dialog) {
    if (m_endedEarly.erase(dialog) != 0)
        return;
    auto window = m_dialogs.find(dialog);
    if (window == m_dialogs.end())
        return;
    window->second->setWindowModality(Qt::ApplicationModal);
    window->second->show();
    window->second->raise();
    window->second->activateWindow();
    QEventLoop loop;
    m_loops[dialog] = &loop;
    loop.exec();
    m_loops.erase(dialog);
}

void QtBackend::EndModal(HWND dialog) {
    auto loop = m_loops.find(dialog);
    if (loop != m_loops.end())
        loop->second->quit();
    else if (m_dialogs.count(dialog) != 0)
        m_endedEarly.insert(dialog);
}

QWidget* QtBackend::OwnerWidget(HWND owner) const {
    QWidget* widget = WidgetOf(owner);
    return widget == nullptr ? nullptr : widget->window();
}

int QtBackend::ShowMessageBox(HWND owner, const CString& text, const CString& caption, UINT type) {
    return RunMessageBox(OwnerWidget(owner), text, caption, type);
}

bool QtBackend::ShowFileDialog(framework::FileDialogRequest& request) {
    return RunFileDialog(OwnerWidget(request.owner), request);
}

void QtBackend::ShellOpen(const CString& verb, const CString& target) {
    if (verb == "open")
        QDesktopServices::openUrl(QUrl::fromUserInput(ToQString(target)));
}

void QtBackend::TimerChanged(HWND window, UINT_PTR id, UINT milliseconds, bool running) {
    const auto key = std::make_pair(window, id);
    auto found = m_timers.find(key);
    if (!running) {
        if (found != m_timers.end()) {
            found->second->deleteLater();
            m_timers.erase(found);
        }
        return;
    }
    QTimer* timer = found != m_timers.end() ? found->second : nullptr;
    if (timer == nullptr) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [window, id] { framework::FireTimer(window, id); });
        m_timers[key] = timer;
    }
    timer->start(static_cast<int>(milliseconds));
}

void QtBackend::KillTimersOf(HWND window) {
    for (auto it = m_timers.begin(); it != m_timers.end();) {
        if (it->first.first == window) {
            it->second->deleteLater();
            it = m_timers.erase(it);
        } else {
            ++it;
        }
    }
}

void QtBackend::CursorChanged(HCURSOR cursor) {
    if (m_hovered != nullptr)
        m_hovered->setCursor(ToQCursor(cursor));
}

} // namespace qt
