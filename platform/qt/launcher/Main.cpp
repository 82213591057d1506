// The kolm program on Linux: checks its command line and the stand-in files,
// attaches them, then runs the application on the Qt window backend.
#include "platform/framework/Dialog.h"
#include "platform/framework/UiThread.h"
#include "platform/kernel/LinuxMachine.h"
#include "platform/qt/DialogFont.h"
#include "platform/qt/QtBackend.h"
#include "platform/qt/QtTranslations.h"
#include "platform/qt/launcher/DiskAccess.h"
#include "platform/qt/launcher/Display.h"
#include "platform/qt/launcher/DriveReport.h"
#include "platform/qt/launcher/Messages.h"
#include "platform/qt/launcher/Options.h"
#include "platform/qt/launcher/RootAccess.h"
#include "platform/qt/launcher/StandInChecks.h"
#include "resources/ProgramResources.h"
#include "resources/Resource.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <clocale>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

// Status for a command line or stand-in file the launcher refuses.
constexpr int kRefused = 2;

int Refuse(const std::string& reason) {
    std::fprintf(stderr, "kolm: %s\n", reason.c_str());
    return kRefused;
}

// The startup check prints the drive list as the window shows it, one entry a
// line, from the window's own drive combo box.
void PrintWindowDriveList(const qt::QtBackend& backend) {
    const CWinApp* app = AfxGetApp();
    const CWnd* list = app != nullptr && app->m_pMainWnd != nullptr
                           ? app->m_pMainWnd->GetDlgItem(IDC_DRIVE_LIST)
                           : nullptr;
    const auto* combo =
        list == nullptr ? nullptr : qobject_cast<QComboBox*>(backend.WidgetOf(list->GetSafeHwnd()));
    for (int i = 0; combo != nullptr && i < combo->count(); ++i)
        std::printf("%s\n", combo->itemText(i).toUtf8().constData());
}

// Closes the window the way a user does, with Esc, once it is shown: the key goes
// where the windowing system sends keys, to the window that has the focus.
void CloseWhenShown(const qt::QtBackend& backend) {
    QTimer::singleShot(0, [&backend] {
        QWidget* target = QApplication::focusWidget();
        if (target == nullptr)
            target = QApplication::activeModalWidget();
        QWindow* window = target == nullptr ? nullptr : target->window()->windowHandle();
        if (window == nullptr)
            return CloseWhenShown(backend);
        PrintWindowDriveList(backend);
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent key(type, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(window, &key);
        }
    });
}

void WarnOfMissingFonts() {
    const QStringList missing = qt::MissingFontFamilies();
    if (!missing.isEmpty())
        std::fprintf(
            stderr, "kolm: %s\n",
            launcher::Say(launcher::kFontsMissing, {missing.join(", ").toLocal8Bit().toStdString()})
                .c_str());
}

int RunWindow(const launcher::Options& options, char* program) {
    if (std::string problem = launcher::DisplayProblem(); !problem.empty()) {
        std::fprintf(stderr, "kolm: %s\n", problem.c_str());
        return 1;
    }
    launcher::InstallFatalMessageHandler();
    // Qt sees only the program name: the launcher's arguments are its own.
    int qtArgc = 1;
    char* qtArgv[] = {program, nullptr};
    QApplication application(qtArgc, qtArgv);
    qt::LoadQtTranslations();
    WarnOfMissingFonts();
    std::string error;
    if (!LoadProgramResources(&error)) {
        std::fprintf(stderr, "kolm: %s\n",
                     launcher::Say(launcher::kCannotLoadResources, {error}).c_str());
        return 1;
    }
    framework::SetUiThread();
    qt::QtBackend backend;
    if (options.startupCheck)
        CloseWhenShown(backend);
    return AfxWinMain();
}

} // namespace

int main(int argc, char** argv) {
    // The C library's messages in the desktop's language and charset, which also
    // choose the language of the launcher's own; numbers keep their C form in what
    // --list prints.
    std::setlocale(LC_CTYPE, "");
    std::setlocale(LC_MESSAGES, "");
    launcher::Options options;
    std::string error;
    if (!launcher::ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "kolm: %s\n", error.c_str());
        std::fputs(launcher::Say(launcher::kUsage).c_str(), stderr);
        return kRefused;
    }
    if (options.help) {
        std::fputs(launcher::Say(launcher::kUsage).c_str(), stdout);
        return 0;
    }
    if (error = launcher::CheckStandInFiles(options.drives); !error.empty())
        return Refuse(error);
    kernel::LinuxMachine& machine = kernel::LinuxMachine::Instance();
    for (const std::string& drive : options.drives)
        machine.AttachStandIn(drive);
    if (error = launcher::CheckStandInsHaveLetters(options.drives.size()); !error.empty())
        return Refuse(error);
    if (geteuid() != 0)
        launcher::UseUdisks();
    if (options.list) {
        std::fputs(launcher::DescribeDriveList().c_str(), stdout);
        return 0;
    }
    if (options.asRoot && geteuid() != 0)
        return launcher::RunAsRoot(options);
    return RunWindow(options, argv[0]);
}
