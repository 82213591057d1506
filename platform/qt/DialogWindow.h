#pragma once
// The top-level window of a dialog: its menu bar, and below it the client area
// that holds the controls at their template positions. The close box and the
// system menu are the model's to handle.
#include "platform/framework/WindowBackend.h"
#include "platform/qt/MenuBridge.h"

#include <QWidget>

#include <vector>

class QMenuBar;

namespace qt {

class DialogWindow : public QWidget {
public:
    DialogWindow(HWND dialog, QWidget* owner, const QFont& font);

    HWND Dialog() const { return m_dialog; }
    QWidget* Client() const { return m_client; }
    QMenuBar* MenuBar() const { return m_bar; }
    void SetClientSize(const QSize& size);
    void ShowMenu(CMenu* menu);
    void ShowSystemMenu(const QPoint& where);
    // The model has destroyed the dialog: from now on nothing is reported.
    void Detach() { m_dialog = nullptr; }

    std::vector<HWND> controls;

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void Arrange();

    HWND m_dialog;
    QMenuBar* m_bar = nullptr;
    QWidget* m_client;
    MenuBridge m_menus;
};

} // namespace qt
