#include "platform/qt/QtImages.h"

#include "platform/framework/WindowBackend.h"

#include <QPixmap>

#include <cstring>

namespace qt {

QImage ToQImage(const framework::Image& image) {
    QImage result(image.width, image.height, QImage::Format_ARGB32);
    if (image.pixels.size() != static_cast<std::size_t>(image.width) * image.height)
        return QImage();
    // Format_ARGB32 keeps each pixel as one 0xAARRGGBB word, as the model does.
    for (int row = 0; row < image.height; ++row)
        std::memcpy(result.scanLine(row), image.pixels.data() + row * image.width,
                    static_cast<std::size_t>(image.width) * sizeof(std::uint32_t));
    return result;
}

QIcon ToQIcon(HICON icon) {
    const framework::Image* image = framework::ImageOfIcon(icon);
    if (image == nullptr)
        return QIcon();
    return QIcon(QPixmap::fromImage(ToQImage(*image)));
}

QCursor ToQCursor(HCURSOR cursor) {
    const framework::Image* image = framework::ImageOfCursor(cursor);
    if (image == nullptr)
        return QCursor(Qt::ArrowCursor);
    return QCursor(QPixmap::fromImage(ToQImage(*image)), image->hotX, image->hotY);
}

} // namespace qt
