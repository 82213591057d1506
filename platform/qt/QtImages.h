#pragma once
// Icons and cursors of the resource script as Qt images.
#include "platform/framework/Resources.h"
#include "platform/framework/Wnd.h"

#include <QCursor>
#include <QIcon>
#include <QImage>

namespace qt {

QImage ToQImage(const framework::Image& image);
QIcon ToQIcon(HICON icon);         // empty when the handle has no image
QCursor ToQCursor(HCURSOR cursor); // the arrow when the handle has no image

} // namespace qt
