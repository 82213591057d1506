#include "platform/qt/DialogWindow.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenuBar>

namespace qt {

DialogWindow::DialogWindow(HWND dialog, QWidget* owner, const QFont& font)
    : QWidget(owner, owner == nullptr ? Qt::Window : Qt::Dialog), m_dialog(dialog),
      m_client(new QWidget(this)), m_menus(dialog, this) {
    setFont(font);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void DialogWindow::SetClientSize(const QSize& size) {
    m_client->setFixedSize(size);
    Arrange();
}

void DialogWindow::ShowMenu(CMenu* menu) {
    if (menu != nullptr && m_bar == nullptr) {
        m_bar = new QMenuBar(this);
        m_bar->setNativeMenuBar(false);
    }
    if (m_bar != nullptr)
        m_menus.FillBar(m_bar, menu);
    Arrange();
}

void DialogWindow::ShowSystemMenu(const QPoint& where) {
    const framework::WindowRecord* record = framework::FindWindowRecord(m_dialog);
    if (record != nullptr)
        m_menus.ShowSystemMenu(record->systemMenu, where);
}

void DialogWindow::closeEvent(QCloseEvent* event) {
    // The close box is a system command; the dialog ends when the model says so.
    event->ignore();
    if (m_dialog != nullptr)
        framework::Deliver(m_dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void DialogWindow::contextMenuEvent(QContextMenuEvent* event) {
    // The window manager's title bar is out of reach, so the system menu opens on
    // the window's own background (and with Alt+Space).
    ShowSystemMenu(event->globalPos());
}

void DialogWindow::Arrange() {
    const int top = m_bar == nullptr ? 0 : m_bar->sizeHint().height();
    if (m_bar != nullptr)
        m_bar->setGeometry(0, 0, m_client->width(), top);
    m_client->move(0, top);
    setFixedSize(m_client->width(), top + m_client->height());
}

} // namespace qt
