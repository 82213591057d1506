#include "platform/framework/IconFile.h"

#include <cstdint>
#include <utility>

namespace framework {

namespace {

constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kInfoHeaderSize = 40;

// Little-endian fields at an offset the caller has checked.
std::uint32_t Field(std::string_view bytes, std::size_t offset, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) {
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    }
    return value;
}

struct Entry {
    int width;
    int height;
    int hotX;
    int hotY;
    std::size_t size;
    std::size_t offset;
};

Entry ReadEntry(std::string_view bytes, std::size_t offset) {
    // A size byte of 0 stands for 256.
    const int width = static_cast<int>(Field(bytes, offset, 1));
    const int height = static_cast<int>(Field(bytes, offset + 1, 1));
    return Entry{width == 0 ? 256 : width,
                 height == 0 ? 256 : height,
                 static_cast<int>(Field(bytes, offset + 4, 2)),
                 static_cast<int>(Field(bytes, offset + 6, 2)),
                 Field(bytes, offset + 8, 4),
                 Field(bytes, offset + 12, 4)};
}

bool DecodeBitmap(std::string_view dib, int width, int height, Image& image, std::string& error) {
    if (dib.size() < kInfoHeaderSize || Field(dib, 0, 4) < kInfoHeaderSize) {
        error = "image without a bitmap header";
        return false;
    }
    const std::size_t headerSize = Field(dib, 0, 4);
    // The bitmap's height counts the colour rows and the mask rows.
    if (static_cast<std::int32_t>(Field(dib, 4, 4)) != width ||
        static_cast<std::int32_t>(Field(dib, 8, 4)) != 2 * height || Field(dib, 12, 2) != 1) {
        error = "bitmap size differs from its directory entry";
        return false;
    }
    if (Field(dib, 14, 2) != 32 || Field(dib, 16, 4) != 0) {
        error = "only uncompressed 32-bit images are supported";
        return false;
    }
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t h = static_cast<std::size_t>(height);
    const std::size_t maskRow = (w + 31) / 32 * 4;
    if (dib.size() < headerSize || dib.size() - headerSize < w * h * 4 + maskRow * h) {
        error = "image data cut short";
        return false;
    }
    image.width = width;
    image.height = height;
    image.pixels.assign(w * h, 0);
    for (std::size_t y = 0; y < h; ++y) {
        // Rows are stored from the bottom up, pixels as blue, green, red, alpha.
        const std::size_t row = headerSize + (h - 1 - y) * w * 4;
        for (std::size_t x = 0; x < w; ++x) {
            image.pixels[y * w + x] = Field(dib, row + x * 4, 4);
        }
    }
    return true;
}

} // namespace

bool DecodeIconFile(std::string_view bytes, IconFileKind kind, Image& image, std::string& error) {
    if (bytes.size() < kDirectorySize || Field(bytes, 0, 2) != 0 ||
        Field(bytes, 2, 2) != static_cast<std::uint32_t>(kind)) {
        error = kind == IconFileKind::Icon ? "not an icon file" : "not a cursor file";
        return false;
    }
    const std::size_t count = Field(bytes, 4, 2);
    if (count == 0 || bytes.size() < kDirectorySize + count * kEntrySize) {
        error = "icon directory cut short";
        return false;
    }
    Entry best = ReadEntry(bytes, kDirectorySize);
    for (std::size_t i = 1; i < count; ++i) {
        const Entry entry = ReadEntry(bytes, kDirectorySize + i * kEntrySize);
        if (entry.width * entry.height > best.width * best.height) {
            best = entry;
        }
    }
    if (best.offset > bytes.size() || best.size > bytes.size() - best.offset) {
        error = "image lies outside the file";
        return false;
    }
    Image decoded;
    if (!DecodeBitmap(bytes.substr(best.offset, best.size), best.width, best.height, decoded,
                      error)) {
        return false;
    }
    if (kind == IconFileKind::Cursor) {
        decoded.hotX = best.hotX;
        decoded.hotY = best.hotY;
    }
    image = std::move(decoded);
    return true;
}

} // namespace framework
