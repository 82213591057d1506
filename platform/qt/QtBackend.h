#pragma once
// The window backend on Qt 6 Widgets: real windows for the model's dialogs, with
// the user's input reported back to the model. Everything runs on the Qt thread,
// which is the user-interface thread; other threads' hand-overs are served from
// Qt's event loop.
#include "platform/framework/WindowBackend.h"

#include <QObject>
#include <QPointer>

#include <map>
#include <set>
#include <utility>

class QEventLoop;
class QKeyEvent;
class QMouseEvent;
class QTimer;
class QWidget;

namespace qt {

class DialogWindow;

class QtBackend : public QObject, public framework::WindowBackend {
public:
    QtBackend(); // installs itself; a QApplication must exist
    ~QtBackend() override;

    // The widget that shows a dialog or control; null when there is none.
    QWidget* WidgetOf(HWND window) const;

    void WindowCreated(HWND dialog) override;
    void WindowChanged(HWND window, framework::Change what) override;
    void WindowDestroyed(HWND dialog) override;
    void RunModal(HWND dialog) override;
    void EndModal(HWND dialog) override;
    int ShowMessageBox(HWND owner, const CString& text, const CString& caption, UINT type) override;
    bool ShowFileDialog(framework::FileDialogRequest& request) override;
    void ShellOpen(const CString& verb, const CString& target) override;
    void TimerChanged(HWND window, UINT_PTR id, UINT milliseconds, bool running) override;
    void CursorChanged(HCURSOR cursor) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls(DialogWindow& window, const framework::WindowRecord& dialog);
    void ShowDialogState(DialogWindow& window, const framework::WindowRecord& dialog,
                         framework::Change what);
    void ShowFocus(HWND window);
    QWidget* OwnerWidget(HWND owner) const;
    void KillTimersOf(HWND window);
    DialogWindow* DialogOfHandle(QObject* handle) const;
    bool KeyPressed(DialogWindow& window, QKeyEvent* event);
    void AskCursor(QWidget* widget);
    void Clicked(QObject* watched, QMouseEvent* event);

    std::map<HWND, DialogWindow*> m_dialogs;
    std::map<HWND, QWidget*> m_controls;
    std::map<HWND, QEventLoop*> m_loops;
    std::set<HWND> m_endedEarly; // ended before their modal loop started
    std::map<std::pair<HWND, UINT_PTR>, QTimer*> m_timers;
    QPointer<QWidget> m_hovered; // the widget of the cursor query
};

} // namespace qt
