// The real main window on the Qt backend, with the sample drive attached.
#include "WindowTesting.h"

#include "platform/framework/UiThread.h"
#include "platform/kernel/LinuxMachine.h"
#include "platform/qt/QtText.h"
#include "platform/text/Cp932.h"
#include "resources/ProgramResources.h"
#include "resources/Resource.h"
#include "ui/MainDialog.h"

#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRawFont>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

using namespace window_testing;

std::string& SampleImage() {
    static std::string image;
    return image;
}

// The bytes of the image at an offset as upper-case hex digits, read by xxd.
QString HexByXxd(const std::string& image, int offset, int length) {
    const std::string command = "xxd -p -s " + std::to_string(offset) + " -l " +
                                std::to_string(length) + " '" + image + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return {};
    std::array<char, 256> buffer{};
    QString hex;
    while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr)
        hex += QString::fromLatin1(buffer.data()).trimmed();
    pclose(pipe);
    return hex.toUpper();
}

void PressKey(QWidget* widget, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Application();
        SampleImage() = MakeSampleDrive();
        if (!SampleImage().empty())
            kernel::LinuxMachine::Instance().AttachStandIn(SampleImage());
    }

    void SetUp() override {
        ASSERT_FALSE(SampleImage().empty()) << "scripts/make-sample-drive failed";
        std::string reason;
        ASSERT_TRUE(LoadProgramResources(&reason)) << reason;
        framework::SetUiThread();
        m_backend = std::make_unique<qt::QtBackend>();
        m_dialog = std::make_unique<MainDialog>();
    }

    void TearDown() override {
        if (m_dialog->GetSafeHwnd() != nullptr)
            m_dialog->DestroyWindow();
        m_dialog.reset();
        Settle();
        m_backend.reset();
    }

    void Open() {
        ASSERT_TRUE(m_dialog->CreateFromTemplate());
        Settle();
    }

    // Picks the sample drive (the last entry: stand-ins follow the machine's disks
    // and get the last letter) as a user would, and presses "Lock".
    void LockSampleDrive() {
        auto* drives = ControlWidget<QComboBox>(*m_backend, *m_dialog, IDC_DRIVE_LIST);
        ASSERT_NE(drives, nullptr);
        ASSERT_GT(drives->count(), 0);
        drives->setCurrentIndex(drives->count() - 1);
        emit drives->activated(drives->count() - 1);
        ControlWidget<QPushButton>(*m_backend, *m_dialog, IDC_LOCK)->click();
        Settle();
    }

    std::unique_ptr<qt::QtBackend> m_backend;
    std::unique_ptr<MainDialog> m_dialog;
};

TEST_F(MainWindowTest, ListsTheSampleDriveShowsItsFirstSectorAndSavesAScreenshot) {
    Open();
    auto* drives = ControlWidget<QComboBox>(*m_backend, *m_dialog, IDC_DRIVE_LIST);
    ASSERT_NE(drives, nullptr);
    CComboBox& model = m_dialog->DriveList();
    ASSERT_EQ(drives->count(), model.GetCount());
    for (int i = 0; i < model.GetCount(); ++i) {
        CString entry;
        model.GetLBText(i, entry);
        EXPECT_EQ(drives->itemText(i), qt::ToQString(entry));
    }

    LockSampleDrive();
    EXPECT_EQ(ControlText(*m_dialog, IDC_LAST_LBA), CString("32767")); // 16 MiB of 512 bytes
    EXPECT_EQ(ControlText(*m_dialog, IDC_BYTES_PER_SECTOR), CString("512"));
    // The line at 0x1C0 holds the partition entry sfdisk wrote.
    auto* hex = ControlWidget<QPlainTextEdit>(*m_backend, *m_dialog, IDC_HEX_VIEW);
    ASSERT_NE(hex, nullptr);
    QString dump = hex->toPlainText().toUpper();
    dump.remove(QLatin1Char(' '));
    const QString partitionLine = HexByXxd(SampleImage(), 0x1C0, 16);
    ASSERT_EQ(partitionLine.size(), 32);
    EXPECT_TRUE(dump.contains(partitionLine)) << partitionLine.toStdString();
    EXPECT_TRUE(hex->isVisible());
    EXPECT_EQ(hex->lineWrapMode(), QPlainTextEdit::NoWrap);

    QWidget* window = m_backend->WidgetOf(m_dialog->GetSafeHwnd());
    ASSERT_NE(window, nullptr);
    const QImage shot = window->grab().toImage();
    const QString path = QStringLiteral(KOLM_BINARY_DIR "/window-main.png");
    ASSERT_TRUE(shot.save(path)) << path.toStdString();
    EXPECT_GT(shot.width(), 600);
}

// The line under the panes follows every move: what sfdisk and mkfs.fat made of
// the sample drive (fsstat's layout: 4 reserved sectors, two FATs of 32, the root
// directory), once the index built after the lock is ready.
TEST_F(MainWindowTest, TheLineUnderThePanesSaysWhatTheSectorBelongsTo) {
    Open();
    LockSampleDrive();
    // The first sector shown says at once what it is: the partition table is read
    // first, before any file system.
    EXPECT_EQ(ControlText(*m_dialog, IDC_SECTOR_OWNER), CString("MBR"));
    m_dialog->Device().WaitForSectorOwners();
    auto* target = ControlWidget<QLineEdit>(*m_backend, *m_dialog, IDC_JUMP_TARGET);
    ASSERT_NE(target, nullptr);
    QWidget* window = m_backend->WidgetOf(m_dialog->GetSafeHwnd());
    const auto line = [&] { return ControlText(*m_dialog, IDC_SECTOR_OWNER); };
    const struct {
        const char* sector;
        const char* line;
    } jumps[] = {
        {"0", "MBR"},
        {"2047", "outside every partition"},
        {"2048", "partition 1 (FAT16, label KOLMSAMPLE): boot sector"},
        {"2052", "partition 1 (FAT16, label KOLMSAMPLE): FAT 1"},
        {"2084", "partition 1 (FAT16, label KOLMSAMPLE): FAT 2"},
        {"2116", "partition 1 (FAT16, label KOLMSAMPLE): root directory"},
    };
    for (const auto& jump : jumps) {
        target->selectAll();
        QTest::keyClicks(target, jump.sector);
        ControlWidget<QPushButton>(*m_backend, *m_dialog, IDC_JUMP)->click();
        Settle();
        EXPECT_EQ(line(), CString(jump.line)) << jump.sector;
    }
    QTest::keyClick(window->windowHandle(), Qt::Key_Left);
    Settle();
    EXPECT_EQ(line(), CString("partition 1 (FAT16, label KOLMSAMPLE): FAT 2"));
}

TEST_F(MainWindowTest, JapaneseTextsUseFontsThatHaveTheirGlyphs) {
    Open();
    QWidget* window = m_backend->WidgetOf(m_dialog->GetSafeHwnd());
    ASSERT_NE(window, nullptr);
    // fontconfig names the family in the desktop's language where the font has a
    // name in it.
    const QString family = QFontInfo(window->font()).family();
    EXPECT_TRUE(family == QStringLiteral("IPAGothic") || family == QStringLiteral("IPAゴシック"))
        << family.toStdString();
    // The hex view's columns need every half-width character equally wide.
    const QFontMetrics metrics(window->font());
    EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('i')),
              metrics.horizontalAdvance(QLatin1Char('W')));
    EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("本")),
              2 * metrics.horizontalAdvance(QLatin1Char('0')));

    auto* bar = window->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QStringList texts;
    std::function<void(const QList<QAction*>&)> collect = [&](const QList<QAction*>& actions) {
        for (QAction* action : actions) {
            texts << action->text();
            if (action->menu() != nullptr)
                collect(action->menu()->actions());
        }
    };
    collect(bar->actions());
    ASSERT_TRUE(texts.contains(QStringLiteral("ドライブ(&D)")));
    ASSERT_TRUE(texts.contains(QStringLiteral("セクタリスト（データセクタ）")));
    const QRawFont menuFont = QRawFont::fromFont(bar->font());
    for (const QString& text : texts) {
        for (QChar c : text)
            EXPECT_TRUE(c.isSpace() || menuFont.supportsCharacter(c))
                << text.toStdString() << " lacks U+" << std::hex << static_cast<int>(c.unicode());
    }
    const QRawFont controlFont = QRawFont::fromFont(window->font());
    for (QChar c : QStringLiteral("作成復元ｷｬﾝｾﾙ"))
        EXPECT_TRUE(controlFont.supportsCharacter(c)) << std::hex << static_cast<int>(c.unicode());
}

// Text reaches the search edit each way a desktop sends it: keys handed to the
// window, as the windowing system delivers them; a key that carries Japanese text;
// an input method's commit to the window's focus object. The model holds it all as
// code page 932.
TEST_F(MainWindowTest, TextTypedOrCommittedIntoTheSearchEditReachesTheModelAsCodePage932) {
    Open();
    LockSampleDrive();
    auto* pattern = ControlWidget<QLineEdit>(*m_backend, *m_dialog, IDC_PATTERN);
    ASSERT_NE(pattern, nullptr);
    ASSERT_TRUE(pattern->isEnabled()) << "the drive did not open";
    pattern->setFocus();
    QWindow* window = m_backend->WidgetOf(m_dialog->GetSafeHwnd())->windowHandle();
    ASSERT_NE(window, nullptr);
    for (char key : std::string("FAT"))
        QTest::keyClick(window, key);
    PressKey(pattern, Qt::Key_unknown, QStringLiteral("日本"));
    ASSERT_EQ(window->focusObject(), pattern);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("語"));
    QApplication::sendEvent(window->focusObject(), &commit);
    // 日 93 FA, 本 96 7B, 語 8C EA in Shift-JIS.
    EXPECT_EQ(ControlText(*m_dialog, IDC_PATTERN), CString("FAT\x93\xFA\x96\x7B\x8C\xEA"));
}

// Under the Wayland test this is Qt's Wayland platform in weston: the window the
// compositor shows, not a fallback to X11.
TEST_F(MainWindowTest, IsShownOnThePlatformTheDesktopAsksFor) {
    Open();
    QWidget* window = m_backend->WidgetOf(m_dialog->GetSafeHwnd());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(QGuiApplication::platformName(), qEnvironmentVariable("QT_QPA_PLATFORM"));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
}

TEST_F(MainWindowTest, EnterChangesNothingAndEscEndsTheDialog) {
    LONG_PTR result = 0;
    bool stillOpenAfterEnter = false;
    QTimer::singleShot(0, [&] {
        QWidget* window = m_backend->WidgetOf(m_dialog->GetSafeHwnd());
        QTest::keyClick(window->windowHandle(), Qt::Key_Return);
        Settle();
        stillOpenAfterEnter =
            m_backend->WidgetOf(m_dialog->GetSafeHwnd()) != nullptr && window->isVisible();
        QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
    });
    // Ends a dialog that would not end, so that a failure cannot hang the test.
    QTimer::singleShot(10000, [&] { m_dialog->EndDialog(-99); });
    result = m_dialog->DoModal();
    EXPECT_TRUE(stillOpenAfterEnter);
    EXPECT_EQ(result, IDCANCEL);
}

// Answers every message box as it opens, and counts them.
class BoxCounter : public QObject {
public:
    BoxCounter() { QApplication::instance()->installEventFilter(this); }
    int count = 0;
    QStringList texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (box != nullptr && event->type() == QEvent::Show) {
            ++count;
            texts << box->text().trimmed(); // the system's text ends its line
            QTimer::singleShot(0, box, &QMessageBox::accept);
        }
        return false;
    }
};

// Keys as the windowing system delivers them: to the window, which hands them to
// the widget with the focus.
void PressArrow(QWidget* window, Qt::Key key) {
    QTest::keyClick(window->windowHandle(), key);
    Settle();
}

TEST_F(MainWindowTest, EachArrowKeyDownMovesOneSectorWhateverHasTheFocus) {
    Open();
    LockSampleDrive();
    QWidget* window = m_backend->WidgetOf(m_dialog->GetSafeHwnd());
    ASSERT_NE(window, nullptr);
    window->activateWindow();
    Settle();
    BoxCounter boxes; // a read of the closed device fails: each move shows a box
    const auto lba = [&] {
        return std::atoll(ControlText(*m_dialog, IDC_CURRENT_LBA).GetString());
    };
    struct Case {
        const char* name;
        int focus; // 0: the dialog itself
        bool unlocked;
    };
    const Case cases[] = {
        {"search type combo box", IDC_SEARCH_TYPE, false},
        {"jump edit", IDC_JUMP_TARGET, false},
        {"hex view", IDC_HEX_VIEW, false},
        {"next button", IDC_NEXT_SECTOR, false},
        {"the dialog", 0, false},
        {"sector list", IDC_SECTOR_LIST, false},
        {"drive combo box after Unlock", IDC_DRIVE_LIST, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.focus == IDC_SECTOR_LIST)
            m_dialog->SetViewMode(1);
        if (c.unlocked) {
            ControlWidget<QPushButton>(*m_backend, *m_dialog, IDC_LOCK)->click();
            Settle();
        }
        QWidget* widget = c.focus == 0
                              ? window
                              : m_backend->WidgetOf(m_dialog->GetDlgItem(c.focus)->GetSafeHwnd());
        if (c.focus != 0)
            widget->setFocus();
        else if (window->focusWidget() != nullptr)
            window->focusWidget()->clearFocus();
        Settle();
        ASSERT_EQ(window->focusWidget(), c.focus == 0 ? nullptr : widget);
        auto* edit = qobject_cast<QLineEdit*>(widget); // the key still moves its caret
        if (edit != nullptr)
            edit->setCursorPosition(0);
        boxes.count = 0;
        const long long before = lba();
        PressArrow(window, Qt::Key_Right);
        EXPECT_EQ(lba(), before + 1);
        if (edit != nullptr) {
            EXPECT_EQ(edit->cursorPosition(), 1);
        }
        PressArrow(window, Qt::Key_Left);
        EXPECT_EQ(lba(), before);
        EXPECT_EQ(boxes.count, c.unlocked ? 2 : 0);
    }
    // The box says what the C library says of the error in the desktop's language,
    // with "?" for a letter code page 932 lacks (a German "ü").
    const std::string local = std::strerror(ERROR_INVALID_HANDLE);
    const QString shown = QString::fromStdString(text::ToUtf8(text::FromUtf8(local)));
    for (const QString& text : boxes.texts)
        EXPECT_EQ(text, shown) << local;
}

} // namespace
