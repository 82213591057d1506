#include "platform/framework/Resources.h"
#include "platform/qt/Controls.h"
#include "platform/qt/ListControl.h"
#include "platform/qt/QtImages.h"
#include "platform/qt/QtText.h"
#include "platform/qt/UserInput.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cstdlib>

namespace qt {
namespace {

using framework::WindowRecord;

bool SameClass(const CString& windowClass, const char* name) {
    return ToQString(windowClass).compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

constexpr DWORD kStaticTypeMask = 0x1F;
constexpr int kIconPixels = 32; // an icon static takes the size of the icon

bool Has(DWORD style, DWORD bits) {
    return (style & bits) == bits;
}

// After a click the model has checked this radio and cleared the others of its
// group; the user's changes are not reported back, so every radio is shown again.
void ShowRadiosOf(QWidget* client) {
    for (QRadioButton* radio : client->findChildren<QRadioButton*>()) {
        if (const WindowRecord* record = framework::FindWindowRecord(WindowOf(radio)))
            radio->setChecked(record->check != 0);
    }
}

QWidget* CreateButton(const WindowRecord& control, QWidget* client) {
    const HWND window = control.hwnd;
    switch (control.style & BS_TYPEMASK) {
    case BS_GROUPBOX: {
        auto* group = new QGroupBox(client);
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        return group;
    }
    case BS_AUTORADIOBUTTON: {
        auto* radio = new QRadioButton(client);
        radio->setAutoExclusive(false); // the model keeps the group
        QObject::connect(radio, &QRadioButton::clicked, radio, [window, client] {
            framework::SetCheckFromUser(window, 1);
            ReportNotification(window, BN_CLICKED);
            ShowRadiosOf(client);
        });
        return radio;
    }
    default: {
        auto* button = new QPushButton(client);
        button->setAutoDefault(false); // Enter is the model's to handle
        button->setDefault((control.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
        QObject::connect(button, &QPushButton::clicked, button,
                         [window] { ReportNotification(window, BN_CLICKED); });
        return button;
    }
    }
}

QWidget* CreateMultiLineEdit(const WindowRecord& control, QWidget* client) {
    const HWND window = control.hwnd;
    auto* edit = new QPlainTextEdit(client);
    edit->setReadOnly(Has(control.style, ES_READONLY));
    // A multi-line edit wraps its lines unless it scrolls sideways.
    const bool sideways = (control.style & (ES_AUTOHSCROLL | WS_HSCROLL)) != 0;
    edit->setLineWrapMode(sideways ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    edit->setHorizontalScrollBarPolicy(Has(control.style, WS_HSCROLL) ? Qt::ScrollBarAlwaysOn
                                       : sideways                     ? Qt::ScrollBarAsNeeded
                                                                      : Qt::ScrollBarAlwaysOff);
    edit->setVerticalScrollBarPolicy(Has(control.style, WS_VSCROLL) ? Qt::ScrollBarAlwaysOn
                                                                    : Qt::ScrollBarAlwaysOff);
    if (!Has(control.style, WS_BORDER) && !Has(control.exStyle, WS_EX_CLIENTEDGE))
        edit->setFrameShape(QFrame::NoFrame);
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [window, edit] {
        framework::SetTextFromUser(window, FromQStringLines(edit->toPlainText()));
    });
    return edit;
}

QWidget* CreateEdit(const WindowRecord& control, QWidget* client) {
    if (Has(control.style, ES_MULTILINE))
        return CreateMultiLineEdit(control, client);
    const HWND window = control.hwnd;
    auto* edit = new QLineEdit(client);
    edit->setReadOnly(Has(control.style, ES_READONLY));
    edit->setAlignment(Has(control.style, ES_RIGHT) ? Qt::AlignRight : Qt::AlignLeft);
    edit->setFrame(Has(control.style, WS_BORDER) || Has(control.exStyle, WS_EX_CLIENTEDGE));
    QObject::connect(edit, &QLineEdit::textEdited, edit, [window](const QString& text) {
        framework::SetTextFromUser(window, FromQString(text));
    });
    return edit;
}

QWidget* CreateStatic(const WindowRecord& control, QWidget* client) {
    auto* label = new QLabel(client);
    label->setTextFormat(Qt::PlainText);
    if ((control.style & kStaticTypeMask) == SS_ICON) {
        const framework::Image* icon =
            framework::Resources().Icon(std::atoi(control.text.GetString()));
        if (icon != nullptr)
            label->setPixmap(QPixmap::fromImage(ToQImage(*icon))
                                 .scaled(kIconPixels, kIconPixels, Qt::KeepAspectRatio,
                                         Qt::SmoothTransformation));
        return label;
    }
    const bool right = (control.style & kStaticTypeMask) == SS_RIGHT;
    label->setAlignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
    return label;
}

QWidget* CreateComboBox(const WindowRecord& control, QWidget* client, int droppedHeight) {
    const HWND window = control.hwnd;
    auto* combo = new QComboBox(client);
    const int itemHeight = combo->fontMetrics().height();
    combo->setMaxVisibleItems(std::max(1, droppedHeight / std::max(1, itemHeight) - 1));
    QObject::connect(combo, &QComboBox::activated, combo, [window](int index) {
        framework::SetSelectionFromUser(window, index);
        ReportNotification(window, CBN_SELCHANGE);
    });
    return combo;
}

QWidget* CreateListBox(const WindowRecord& control, QWidget* client) {
    const HWND window = control.hwnd;
    const bool notify = Has(control.style, LBS_NOTIFY);
    auto* list = new ListControl(client);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    if (!Has(control.style, WS_BORDER) && !Has(control.exStyle, WS_EX_CLIENTEDGE))
        list->setFrameShape(QFrame::NoFrame);
    QObject::connect(list, &QListWidget::currentRowChanged, list, [window, notify](int row) {
        framework::SetSelectionFromUser(window, row);
        if (notify)
            ReportNotification(window, LBN_SELCHANGE);
    });
    QObject::connect(list, &QListWidget::itemDoubleClicked, list,
                     [window, notify, list](QListWidgetItem* item) {
                         framework::SetSelectionFromUser(window, list->row(item));
                         if (notify)
                             ReportNotification(window, LBN_DBLCLK);
                     });
    return list;
}

} // namespace

HWND WindowOf(const QObject* widget) {
    return reinterpret_cast<HWND>(widget->property("kolmWindow").value<quintptr>());
}

void SetWindowOf(QObject* widget, HWND window) {
    widget->setProperty("kolmWindow", QVariant::fromValue(reinterpret_cast<quintptr>(window)));
}

QWidget* CreateControl(const WindowRecord& control, QWidget* client, BaseUnits units) {
    QRect place = DialogRect(units, control.x, control.y, control.cx, control.cy);
    QWidget* widget = nullptr;
    if (SameClass(control.windowClass, "Button")) {
        widget = CreateButton(control, client);
    } else if (SameClass(control.windowClass, "Edit")) {
        widget = CreateEdit(control, client);
    } else if (SameClass(control.windowClass, "ComboBox")) {
        widget = CreateComboBox(control, client, place.height());
        place.setHeight(widget->sizeHint().height()); // the template gives the dropped height
    } else if (SameClass(control.windowClass, "ListBox")) {
        widget = CreateListBox(control, client);
    } else {
        widget = CreateStatic(control, client);
        if ((control.style & kStaticTypeMask) == SS_ICON)
            place.setSize(QSize(kIconPixels, kIconPixels));
    }
    SetWindowOf(widget, control.hwnd);
    widget->setGeometry(place);
    ShowAllControlState(widget, control);
    return widget;
}

} // namespace qt
