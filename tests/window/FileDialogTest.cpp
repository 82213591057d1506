// The file dialog hands the program code page 932 names: a name that code page
// cannot carry is refused in the dialog, with a message, instead of becoming
// another name. Its own texts are in the desktop's language.
#include "WindowTesting.h"

#include "platform/framework/CommonDialogs.h"
#include "platform/qt/QtBoxes.h"
#include "platform/qt/QtText.h"
#include "platform/text/Cp932.h"
#include "tests/kernel/TempFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

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

// The dialog opens in the folder it is given, or in the working folder when that
// folder has gone.
TEST(FileDialog, OpensInTheFolderItIsGiven) {
    Application();
    TempFolder folder;
    std::filesystem::create_directory(folder / "表示");
    const std::pair<std::string, QString> cases[] = {
        {folder / "表示/", QString::fromStdString(folder / "表示")},
        {folder / "消えた/", QDir::currentPath()},
        {"", QDir::currentPath()},
    };
    for (const auto& [given, opened] : cases) {
        framework::FileDialogRequest request;
        request.open = true;
        request.filter = "Disk Image(*.img)|*.img||";
        request.initialFolder = Jp(given);
        QString shown;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            shown = dialog->directory().absolutePath();
            dialog->reject();
        });
        EXPECT_FALSE(qt::RunFileDialog(nullptr, request));
        EXPECT_EQ(shown, opened) << given;
    }
}

// The language the desktop asks for, as the C library reads it from the
// environment; the C locale's is English.
std::string_view DesktopLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const std::string_view value = std::getenv(name) != nullptr ? std::getenv(name) : "";
        if (value.starts_with("C") || value == "POSIX")
            return "en";
        if (!value.empty())
            return value.substr(0, 2);
    }
    return "en";
}

// Qt's texts as its translations (qt6-translations-l10n) give them.
struct DialogTexts {
    std::string_view language;
    const char16_t* save;
    const char16_t* cancel;
    const char16_t* replace; // a part of the overwrite question
    const char16_t* yes;
};
const DialogTexts kDialogTexts[] = {
    {"ja", u"保存(&S)", u"キャンセル", u"置き換えますか", u"はい(&Y)"},
    {"de", u"S&peichern", u"Abbrechen", u"überschrieben", u"&Ja"},
    {"en", u"&Save", u"Cancel", u"Do you want to replace it?", u"&Yes"},
};

TEST(FileDialog, QtsOwnTextsAreInTheDesktopsLanguage) {
    Application();
    const std::string_view language = DesktopLanguage();
    const auto expected =
        std::find_if(std::begin(kDialogTexts), std::end(kDialogTexts),
                     [&](const DialogTexts& texts) { return texts.language == language; });
    if (expected == std::end(kDialogTexts))
        GTEST_SKIP() << "Qt's texts in the language " << language << " are not known here";
    TempFolder folder;
    std::ofstream(folder / "card.img") << "old";
    framework::FileDialogRequest request;
    request.open = false;
    request.filter = "Disk Image(*.img)|*.img||";
    request.flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;

    QString save, cancel, question, yes;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        const auto* buttons = dialog->findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        for (QAbstractButton* button : buttons->buttons()) {
            if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
                save = button->text();
            else if (buttons->buttonRole(button) == QDialogButtonBox::RejectRole)
                cancel = button->text();
        }
        dialog->selectFile(QString::fromStdString(folder / "card.img"));
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            question = box->text();
            if (QAbstractButton* button = box->button(QMessageBox::Yes))
                yes = button->text();
            box->button(QMessageBox::No)->click();
        });
        static_cast<QDialog*>(dialog)->accept(); // as the Save button does
        dialog->reject();
    });
    EXPECT_FALSE(qt::RunFileDialog(nullptr, request));

    SCOPED_TRACE("desktop language " + std::string(language));
    EXPECT_EQ(save, QString::fromUtf16(expected->save));
    EXPECT_EQ(cancel, QString::fromUtf16(expected->cancel));
    EXPECT_TRUE(question.contains(QString::fromUtf16(expected->replace))) << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("card.img"))) << question.toStdString();
    EXPECT_EQ(yes, QString::fromUtf16(expected->yes));
}

} // namespace
