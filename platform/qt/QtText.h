#pragma once
// The one place where the program's code page 932 texts meet Qt's Unicode.
#include "platform/framework/CString.h"

#include <QString>

namespace qt {

QString ToQString(const CString& text);
CString FromQString(const QString& text);
// True when the text comes back unchanged from code page 932: no character
// becomes "?" or another character on the way.
bool FitsCodePage932(const QString& text);

// Multi-line edits: the program's lines end in "\r\n", Qt's in "\n".
QString ToQStringLines(const CString& text);
CString FromQStringLines(const QString& text);

} // namespace qt
