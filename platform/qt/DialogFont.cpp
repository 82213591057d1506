#include "platform/qt/DialogFont.h"

#include "platform/qt/QtText.h"

#include <QFontDatabase>
#include <QFontMetrics>

namespace qt {
namespace {

struct FontMapping {
    const char16_t* name;
    const char* family;
    const char16_t* japaneseFamily; // the family's name in a Japanese locale's lists
    bool fixedPitch;
};

constexpr FontMapping kMappings[] = {
    {u"ＭＳ ゴシック", "IPAGothic", u"IPAゴシック", true},
    {u"ＭＳ Ｐゴシック", "IPAPGothic", u"IPA Pゴシック", false},
};

constexpr int kInterfacePoints = 9;

// Rounds half away from zero, as the platform's scaling of dialog units does.
int Scale(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>((product >= 0 ? product + half : product - half) / denominator);
}

} // namespace

QFont DialogFont(const CString& name, int points) {
    const QString wanted = ToQString(name);
    QFont font(wanted);
    for (const FontMapping& mapping : kMappings) {
        if (wanted == QString::fromUtf16(mapping.name)) {
            font = QFont(QString::fromLatin1(mapping.family));
            font.setFixedPitch(mapping.fixedPitch);
            font.setStyleHint(mapping.fixedPitch ? QFont::TypeWriter : QFont::SansSerif);
        }
    }
    font.setPointSize(points > 0 ? points : kInterfacePoints);
    return font;
}

QFont InterfaceFont() {
    return DialogFont(FromQString(QString::fromUtf16(kMappings[1].name)), kInterfacePoints);
}

BaseUnits BaseUnitsOf(const QFont& font) {
    // The platform averages the 52 Latin letters rather than trusting the font's
    // own average, which for a Japanese font counts its full-width glyphs.
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int width = metrics.horizontalAdvance(letters);
    return BaseUnits{(width / 26 + 1) / 2, metrics.height()};
}

QRect DialogRect(BaseUnits units, int x, int y, int cx, int cy) {
    return QRect(Scale(x, units.x, 4), Scale(y, units.y, 8), Scale(cx, units.x, 4),
                 Scale(cy, units.y, 8));
}

// On a Japanese desktop the database lists the fonts by their Japanese names.
QStringList MissingFontFamilies() {
    const QStringList installed = QFontDatabase::families();
    QStringList missing;
    for (const FontMapping& mapping : kMappings) {
        const QString family = QString::fromLatin1(mapping.family);
        if (!installed.contains(family, Qt::CaseInsensitive) &&
            !installed.contains(QString::fromUtf16(mapping.japaneseFamily)))
            missing.append(family);
    }
    return missing;
}

} // namespace qt
