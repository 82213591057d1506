// The file dialog hands the program code page 932 names: a name that code page
// cannot carry is refused in the dialog, with a message, instead of becoming
// another name.
#include "WindowTesting.h"

#include "platform/framework/CommonDialogs.h"
#include "platform/qt/QtBoxes.h"
#include "platform/qt/QtText.h"
#include "platform/text/Cp932.h"
#include "tests/kernel/TempFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using window_testing::Application;

TEST(CodePage932Names, OnlyTextsThatComeBackUnchangedFit) {
    struct Case {
        const char16_t* text;
        bool fits;
    };
    const Case cases[] = {
        {u"card.img", true},
        {u"日本語のカード.img", true},
        {u"ｶﾀｶﾅ／表示～①.img", true},
        {u"café.img", false},
        {u"\U0001F600.img", false},
        {u"¥100.img", false},   // the yen sign would come back as a backslash
        {u"波〜線.img", false}, // the wave dash comes back as the full-width tilde
        {u"αβγΩ.img", true},    // Greek letters are in the code page
        {u"Ünïcödé.img", false},
    };
    for (const Case& test : cases) {
        const QString text = QString::fromUtf16(test.text);
        EXPECT_EQ(qt::FitsCodePage932(text), test.fits) << text.toStdString();
    }
}

TEST(FileDialog, RefusesANameTheProgramCannotBeGivenAndTakesOneItCan) {
    Application();
    TempFolder folder;
    std::filesystem::create_directory(folder / "日本語のフォルダ");
    framework::FileDialogRequest request;
    request.open = false;
    request.defaultExtension = "img";
    request.filter = "Disk Image(*.img)|*.img||";
    request.flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;

    const QString base = QString::fromStdString(folder.Path()) + QStringLiteral("/");
    const QString refused[] = {base + QStringLiteral("café.img"),
                               base + QString::fromUtf16(u"\U0001F600")};
    QStringList messages;
    bool stayedOpen = true;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (const QString& name : refused) {
            dialog->selectFile(name);
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (box == nullptr)
                    return;
                messages << box->text();
                box->accept();
            });
            static_cast<QDialog*>(dialog)->accept(); // as the Save button does
            stayedOpen = stayedOpen && dialog->isVisible();
        }
        dialog->selectFile(base + QStringLiteral("日本語のフォルダ/カード"));
        static_cast<QDialog*>(dialog)->accept();
    });
    ASSERT_TRUE(qt::RunFileDialog(nullptr, request));

    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(messages.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(messages[i].contains(refused[i])) << messages[i].toStdString();
        EXPECT_TRUE(messages[i].contains(QStringLiteral("Shift-JIS"))) << messages[i].toStdString();
    }
    EXPECT_EQ(request.chosenPath, Jp(folder / "日本語のフォルダ/カード.img"));
    EXPECT_TRUE(std::filesystem::is_empty(folder / "日本語のフォルダ"))
        << "a dialog creates nothing";
}

// The open dialog shows the read-only check box, ticked as its flags ask; the
// save dialog hides it.
TEST(FileDialog, TheOpenDialogShowsTheReadOnlyCheckBoxTicked) {
    Application();
    struct Case {
        bool open;
        DWORD flags;
        int boxes;
    };
    const Case cases[] = {{true, OFN_READONLY, 1},
                          {false, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, 0}};
    for (const Case& test : cases) {
        framework::FileDialogRequest request;
        request.open = test.open;
        request.filter = "Disk Image(*.img)|*.img||";
        request.flags = test.flags;
        int found = -1;
        bool ticked = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            const auto boxes = dialog->findChildren<QCheckBox*>(QStringLiteral("readOnly"));
            found = static_cast<int>(boxes.size());
            ticked = found == 1 && boxes.front()->isChecked() && boxes.front()->isVisible();
            dialog->reject();
        });
        EXPECT_FALSE(qt::RunFileDialog(nullptr, request));
        EXPECT_EQ(found, test.boxes);
        EXPECT_EQ(ticked, test.boxes == 1);
    }
}

} // namespace
