#include "platform/qt/QtBoxes.h"

#include "platform/framework/CommonDialogs.h"
#include "platform/qt/QtText.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>

namespace qt {
namespace {

constexpr UINT kButtonMask = 0xF;
constexpr UINT kIconMask = 0xF0;

QMessageBox::Icon BoxIcon(UINT type) {
    switch (type & kIconMask) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// Qt's own dialog, which refuses a name that code page 932 cannot carry: the
// program would be handed another name ("?" or a look-alike in place of a
// character) and would open or create another file.
class CodePageFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override {
        const QStringList files = selectedFiles();
        if (!files.isEmpty() && !FitsCodePage932(files.constFirst())) {
            QMessageBox::warning(
                this, windowTitle(),
                QStringLiteral("「%1」は使えない名前です。\n"
                               "Shift-JIS（コードページ 932）で表せない文字が含まれています。"
                               "別の名前を選んでください。")
                    .arg(files.constFirst()));
            return;
        }
        QFileDialog::accept();
    }
};

// The open dialog's check box, ticked as OFN_READONLY asks; its state is not
// used. Qt's own dialog has a grid layout to which a row can be added.
void AddReadOnlyCheckBox(QFileDialog& dialog, DWORD flags) {
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (grid == nullptr || (flags & OFN_HIDEREADONLY) != 0)
        return;
    auto* box = new QCheckBox(QStringLiteral("読み取り専用ファイルとして開く"), &dialog);
    box->setObjectName(QStringLiteral("readOnly"));
    box->setChecked((flags & OFN_READONLY) != 0);
    grid->addWidget(box, grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

int RunMessageBox(QWidget* owner, const CString& text, const CString& caption, UINT type) {
    QMessageBox box(BoxIcon(type), ToQString(caption), ToQStringLines(text), QMessageBox::NoButton,
                    owner);
    switch (type & kButtonMask) {
    case MB_OKCANCEL:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MB_YESNO:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

QStringList QtNameFilters(const CString& filter) {
    const QStringList parts = ToQString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break; // the "||" that ends the list
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters;
}

bool RunFileDialog(QWidget* owner, framework::FileDialogRequest& request) {
    CodePageFileDialog dialog(owner);
    // Qt's own dialog: the same everywhere, and the display texts stay as given.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(QtNameFilters(request.filter));
    dialog.setDefaultSuffix(ToQString(request.defaultExtension));
    if (request.open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        // The program reports a file it cannot open itself, so any name is accepted.
        dialog.setFileMode(QFileDialog::AnyFile);
        AddReadOnlyCheckBox(dialog, request.flags);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        if ((request.flags & OFN_OVERWRITEPROMPT) == 0)
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    // Always set: Qt's dialogs would otherwise open where the last one was left. A
    // folder that has gone since leaves the dialog in the working one.
    const QString folder = ToQString(request.initialFolder);
    dialog.setDirectory(QFileInfo(folder).isDir() ? folder : QDir::currentPath());
    if (!request.initialName.IsEmpty())
        dialog.selectFile(ToQString(request.initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    request.chosenPath = FromQString(dialog.selectedFiles().constFirst());
    return true;
}

} // namespace qt
