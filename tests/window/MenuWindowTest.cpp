// The menus of the real window: header searches over files that real encoders
// wrote onto a mkfs.fat image land where grep finds their first bytes, and the
// window's numbers keep their dot on a desktop whose locale writes a comma.
#include "WindowTesting.h"

#include "platform/framework/UiThread.h"
#include "platform/kernel/LinuxMachine.h"
#include "resources/ProgramResources.h"
#include "resources/Resource.h"
#include "tests/kernel/TempFolder.h"
#include "tests/support/LoopDevice.h"
#include "ui/MainDialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace {

using namespace window_testing;

// The first offset at a sector start where grep finds the bytes.
long long FirstAtSectorStart(const std::string& image, const std::string& bytes) {
    const std::string lines =
        RunCommand("LC_ALL=C grep -obUaP '" + bytes + "' '" + image + "' | cut -d: -f1")
            .value_or("");
    for (std::size_t at = 0, end; (end = lines.find('\n', at)) != std::string::npos; at = end + 1) {
        const long long offset = std::stoll(lines.substr(at, end - at));
        if (offset % 512 == 0)
            return offset;
    }
    return -1;
}

class MenuWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application();
        if (!RunCommand("command -v mkfs.fat >/dev/null && command -v mcopy"))
            GTEST_SKIP() << "mkfs.fat and mcopy (dosfstools, mtools) are not installed";
        std::string reason;
        ASSERT_TRUE(LoadProgramResources(&reason)) << reason;
        folder = temp.Path();
        std::filesystem::create_directories(folder / "root");
        image = (folder / "fat.img").string();
        MakeImage();
        standIns = std::make_unique<kernel::LinuxMachine>((folder / "root").string());
        standIns->AttachStandIn(image);
        kernel::InstallMachine(standIns.get());
        framework::SetUiThread();
        backend = std::make_unique<qt::QtBackend>();
        dialog = std::make_unique<MainDialog>();
        ASSERT_TRUE(dialog->CreateFromTemplate());
        Settle();
    }

    void TearDown() override {
        std::setlocale(LC_ALL, "C");
        if (dialog != nullptr && dialog->GetSafeHwnd() != nullptr)
            dialog->DestroyWindow();
        dialog.reset();
        Settle();
        backend.reset();
        kernel::InstallMachine(nullptr);
        standIns.reset();
    }

    // Random filler first, so that the files lie well past the first chunk; then a
    // bitmap and a JPEG from Qt's encoders and a PDF from Qt's PDF writer.
    void MakeImage() {
        ASSERT_TRUE(RunCommand("mkfs.fat -C -n KOLM '" + image + "' 8192"));
        std::mt19937 random(11);
        std::ofstream filler(folder / "filler.bin", std::ios::binary);
        for (int i = 0; i < 700000; ++i)
            filler.put(static_cast<char>(random() & 0xFF));
        filler.close();
        QImage picture(32, 32, QImage::Format_RGB32);
        picture.fill(QColor(30, 144, 255));
        ASSERT_TRUE(picture.save(QString::fromStdString((folder / "picture.bmp").string()), "BMP"));
        ASSERT_TRUE(picture.save(QString::fromStdString((folder / "photo.jpg").string()), "JPG"));
        {
            QPdfWriter pdf(QString::fromStdString((folder / "paper.pdf").string()));
            QPainter painter(&pdf);
            painter.drawText(100, 100, QStringLiteral("Kolm"));
        }
        for (const char* name : {"filler.bin", "picture.bmp", "photo.jpg", "paper.pdf"})
            ASSERT_TRUE(
                RunCommand("mcopy -i '" + image + "' '" + (folder / name).string() + "' ::/"));
    }

    void LockTheImage() {
        auto* drives = ControlWidget<QComboBox>(*backend, *dialog, IDC_DRIVE_LIST);
        ASSERT_NE(drives, nullptr);
        drives->setCurrentIndex(0);
        emit drives->activated(0);
        ControlWidget<QPushButton>(*backend, *dialog, IDC_LOCK)->click();
        Settle();
        ASSERT_TRUE(dialog->Device().IsLocked());
    }

    void Command(UINT id) {
        framework::Deliver(dialog->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0),
                           0);
    }

    // Lets Qt run, timer included, until the window is idle again.
    bool WaitUntilIdle() {
        QDeadlineTimer deadline(20000);
        while (dialog->JobRuns() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        return !dialog->JobRuns();
    }

    TempFolder temp;
    std::filesystem::path folder;
    std::string image;
    std::unique_ptr<kernel::LinuxMachine> standIns;
    std::unique_ptr<qt::QtBackend> backend;
    std::unique_ptr<MainDialog> dialog;
};

TEST_F(MenuWindowTest, HeaderSearchesLandWhereGrepFindsTheFilesFirstBytes) {
    struct Case {
        UINT id;
        const char* bytes;
    };
    const Case cases[] = {
        {ID_HEADER_BMP, "BM"},
        {ID_HEADER_JPG, "\\xFF\\xD8\\xFF\\xE0\\x00\\x10JFIF\\x00"},
        {ID_HEADER_PDF, "%PDF"},
    };
    LockTheImage();
    for (const Case& c : cases) {
        const long long expected = FirstAtSectorStart(image, c.bytes);
        ASSERT_GT(expected, 512 * 1024) << c.bytes;
        dialog->Device().SetPosition(0);
        Command(c.id);
        ASSERT_TRUE(WaitUntilIdle()) << c.bytes;
        EXPECT_EQ(ControlText(*dialog, IDC_CURRENT_LBA), CString(std::to_string(expected / 512)))
            << c.bytes;
    }
}

TEST_F(MenuWindowTest, ThePositionKeepsItsDotUnderACommaLocale) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (scripts/setup makes it)";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    ASSERT_STREQ(probe, "0,5") << "the locale writes a comma";
    LockTheImage();
    dialog->Device().SetPosition(4096 * 512);
    dialog->RefreshSectorView();
    Settle();
    EXPECT_EQ(ControlText(*dialog, IDC_POSITION), CString(" 25.0015%"));
}

// Qt does not block a popup that was open when a box appeared: STOP from the
// Drive menu while the read test's report is up must not hang the window, and
// once the report is answered the window is idle on the last sector.
TEST_F(MenuWindowTest, StopFromTheOpenDriveMenuWhileTheReportIsUpLeavesTheWindowIdle) {
    LockTheImage();
    auto* bar = backend->WidgetOf(dialog->GetSafeHwnd())->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QMenu* drive = bar->actions().at(0)->menu();
    ASSERT_NE(drive, nullptr);
    bool stopped = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || stopped)
            return;
        stopped = true;
        drive->popup(QPoint(0, 0)); // its items take their states as it opens
        for (QAction* action : drive->actions())
            if (action->text() == QStringLiteral("STOP") && action->isEnabled())
                action->trigger();
        drive->hide();
        box->accept();
    });
    watch.start(10);
    Command(ID_DRIVE_READ_TEST);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_TRUE(stopped);
    EXPECT_EQ(dialog->Device().GetPosition(), dialog->Device().GetLastLba() * 512);
    EXPECT_EQ(ControlText(*dialog, IDC_SEARCH), CString("Search"));
}

} // namespace
