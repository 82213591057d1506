#pragma once
// Dialog fonts and dialog units. A template names the platform's Japanese fonts;
// they are shown in the installed IPA fonts of the same kind (fixed pitch or
// proportional). Dialog units scale with the font: a quarter of the average
// character width across, an eighth of the character height down.
#include "platform/framework/CString.h"

#include <QFont>
#include <QRect>
#include <QStringList>

namespace qt {

struct BaseUnits {
    int x = 0;
    int y = 0;
};

QFont DialogFont(const CString& name, int points);
// The font of menus and message boxes.
QFont InterfaceFont();
BaseUnits BaseUnitsOf(const QFont& font);
QRect DialogRect(BaseUnits units, int x, int y, int cx, int cy);
// The families the templates' fonts are shown in that are not installed here.
QStringList MissingFontFamilies();

} // namespace qt
