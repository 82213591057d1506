#include "WindowTesting.h"

#include "platform/qt/QtTranslations.h"

#include <QEventLoop>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace window_testing {

namespace {

std::unique_ptr<QApplication>& TheApplication() {
    static std::unique_ptr<QApplication> application;
    return application;
}

std::filesystem::path SampleFolder() {
    return std::filesystem::temp_directory_path() / ("kolm-window-" + std::to_string(getpid()));
}

// The application ends with the tests, before the exit handlers take Qt's own
// statics down under it; the sample drive goes with them.
class QtEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        TheApplication().reset();
        std::error_code ignored;
        std::filesystem::remove_all(SampleFolder(), ignored);
    }
};

[[maybe_unused]] const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace

QApplication& Application() {
    static int argc = 1;
    static char name[] = "test_window";
    static char* argv[] = {name, nullptr};
    if (TheApplication() == nullptr) {
        TheApplication() = std::make_unique<QApplication>(argc, argv);
        qt::LoadQtTranslations(); // as the program does
    }
    return *TheApplication();
}

CWinApp& WinApp() {
    static CWinApp* app = AfxGetApp() != nullptr ? AfxGetApp() : new CWinApp("test_window");
    return *app;
}

void Settle() {
    for (int round = 0; round < 3; ++round)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
}

std::string MakeSampleDrive() {
    const std::filesystem::path folder = SampleFolder();
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
