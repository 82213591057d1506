#include "platform/qt/launcher/Display.h"

#include "platform/qt/QtTranslations.h"
#include "platform/qt/launcher/Messages.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <unistd.h>

namespace launcher {
namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

QtMessageHandler defaultHandler = nullptr;
bool displayUnreachable = false;

bool InCategory(const QMessageLogContext& context, std::string_view category) {
    return context.category != nullptr && category == context.category;
}

// Qt's X plugin says so when no X server answers at DISPLAY; Qt then says it
// could not load that plugin and gives up with its advice to reinstall the
// application, which would not help.
bool SaysDisplayUnreachable(const QMessageLogContext& context, const QString& message) {
    return InCategory(context, "qt.qpa.xcb") &&
           message.startsWith(QStringLiteral("could not connect to display"));
}

void FatalMessageHandler(QtMsgType type, const QMessageLogContext& context,
                         const QString& message) {
    if (SaysDisplayUnreachable(context, message)) {
        displayUnreachable = true; // said below if Qt cannot do without it
        return;
    }
    if (displayUnreachable && type != QtFatalMsg && InCategory(context, "qt.qpa.plugin"))
        return;
    if (type != QtFatalMsg) {
        defaultHandler(type, context, message);
        return;
    }
    if (displayUnreachable) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr, "kolm: %s\n",
                     Say(kDisplayUnreachable, {display != nullptr ? display : ""}).c_str());
    } else {
        std::fprintf(stderr, "kolm: %s\n",
                     Say(kCannotOpenWindow, {message.toLocal8Bit().toStdString()}).c_str());
    }
    std::_Exit(1);
}

// Platforms other than the desktop ones (offscreen, vnc) need no display.
bool WantsDesktop() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const std::string_view wanted = platform != nullptr ? platform : "";
    return wanted.empty() || wanted.starts_with("xcb") || wanted.starts_with("wayland");
}

bool HasDisplay() {
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

} // namespace

std::string DisplayProblem() {
    if (!WantsDesktop() || HasDisplay())
        return {};
    // pkexec passes the display on only for an action that allows a window.
    if (IsSet("PKEXEC_UID"))
        return Say(kPkexecKeptDisplay);
    return Say(kNoDisplay);
}

void InstallFatalMessageHandler() {
    defaultHandler = qInstallMessageHandler(FatalMessageHandler);
}

void ReportStartError(const std::string& message) {
    std::fprintf(stderr, "kolm: %s\n", message.c_str());
    // A terminal shows the message already; a start from the desktop has none.
    if (!WantsDesktop() || !HasDisplay() || isatty(STDERR_FILENO))
        return;
    InstallFatalMessageHandler();
    int argc = 1;
    char name[] = "kolm";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    qt::LoadQtTranslations(); // the box's button
    QMessageBox::critical(nullptr, QStringLiteral("Kolm"), QString::fromStdString(message));
}

} // namespace launcher
