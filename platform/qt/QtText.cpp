#include "platform/qt/QtText.h"

#include "platform/text/Cp932.h"

namespace qt {

QString ToQString(const CString& text) {
    const std::u16string units = text::ToUtf16(text.str());
    return QString(reinterpret_cast<const QChar*>(units.data()),
                   static_cast<qsizetype>(units.size()));
}

CString FromQString(const QString& text) {
    return CString(text::FromUtf16(std::u16string_view(
        reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()))));
}

bool FitsCodePage932(const QString& text) {
    return ToQString(FromQString(text)) == text;
}

QString ToQStringLines(const CString& text) {
    QString lines = ToQString(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return lines;
}

CString FromQStringLines(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return FromQString(lines);
}

} // namespace qt
