#include "WindowTesting.h"

#include <QEventLoop>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace window_testing {

QApplication& Application() {
    static int argc = 1;
    static char name[] = "test_window";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    return application;
}

void Settle() {
    for (int round = 0; round < 3; ++round)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
}

std::string MakeSampleDrive() {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kolm-window-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string image = (folder / "sample-drive.img").string();
    const std::string command = std::string("KOLM_BUILD_DIR='") + KOLM_BINARY_DIR + "' '" +
                                KOLM_SOURCE_DIR + "/scripts/make-sample-drive' '" + image + "'";
    return std::system(command.c_str()) == 0 ? image : std::string();
}

CString ControlText(const CWnd& dialog, int id) {
    CString text;
    if (const CWnd* control = dialog.GetDlgItem(id))
        control->GetWindowText(text);
    return text;
}

} // namespace window_testing
