// Draws Kolm's application icon (a disk under a magnifier, 32x32 and 16x16) and
// its pointing-hand cursor (32x32, hot spot 13,5), and writes them as kolm.ico
// and hand.cur into the folder given (the current one by default).
//   make_artwork [FOLDER]
// With --png it writes the icon at one size as a PNG file, for the desktop's
// icon theme:
//   make_artwork --png SIZE FILE
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Picture {
    int size;
    std::vector<std::uint32_t> pixels; // 0xAARRGGBB, rows from the top
};

constexpr std::uint32_t kClear = 0x00000000;
constexpr std::uint32_t kOutline = 0xFF30363C;
constexpr std::uint32_t kPlatter = 0xFFB4BEC8;
constexpr std::uint32_t kTrack = 0xFF8C98A4;
constexpr std::uint32_t kHub = 0xFF505A64;
constexpr std::uint32_t kLens = 0x9070B8F0;
constexpr std::uint32_t kRim = 0xFF1C2C70;
constexpr std::uint32_t kHandle = 0xFF5A3418;

// The icon's colour at a point of its 32-unit square: the magnifier lies over the disk.
std::uint32_t IconColour(double x, double y) {
    const double disk = std::hypot(x - 13.0, y - 13.0);
    const double lens = std::hypot(x - 20.5, y - 20.5);
    const double along = (x + y) / 2.0; // position along the handle's diagonal
    const double across = std::abs(x - y) / std::sqrt(2.0);
    if (along > 25.0 && along < 30.5 && across < 1.8) {
        return kHandle;
    }
    if (lens >= 5.5 && lens < 7.5) {
        return kRim;
    }
    if (lens < 5.5) {
        return kLens;
    }
    if (disk < 12.0) {
        if (disk >= 11.0) {
            return kOutline;
        }
        if (disk < 3.0) {
            return disk < 1.2 ? kClear : kHub;
        }
        return std::abs(disk - 7.0) < 0.5 ? kTrack : kPlatter;
    }
    return kClear;
}

// Each pixel averages 4x4 samples, so thin lines survive at 16x16 and edges are smooth.
std::uint32_t Average(double left, double top, double unit) {
    constexpr int kSamples = 4;
    double sums[4] = {}; // alpha, then red, green, blue weighted by alpha
    for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
            const std::uint32_t c =
                IconColour(left + (sx + 0.5) * unit / kSamples, top + (sy + 0.5) * unit / kSamples);
            const double alpha = (c >> 24) / 255.0;
            sums[0] += alpha;
            for (int i = 1; i < 4; ++i) {
                sums[i] += alpha * ((c >> (24 - 8 * i)) & 0xFF);
            }
        }
    }
    if (sums[0] == 0.0) {
        return kClear;
    }
    std::uint32_t pixel =
        static_cast<std::uint32_t>(std::lround(255.0 * sums[0] / (kSamples * kSamples))) << 24;
    for (int i = 1; i < 4; ++i) {
        pixel |= static_cast<std::uint32_t>(std::lround(sums[i] / sums[0])) << (24 - 8 * i);
    }
    return pixel;
}

Picture DrawIcon(int size) {
    Picture picture{size, {}};
    const double unit = 32.0 / size;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            picture.pixels.push_back(Average(x * unit, y * unit, unit));
        }
    }
    return picture;
}

// X outline, o fill, . clear; the fingertip's top left pixel is the hot spot.
const char* const kHand[32] = {
    "................................", "................................",
    "................................", "................................",
    "................................", ".............XX.................",
    "............XooX................", "............XooX................",
    "............XooX................", "............XooX................",
    "............XooX................", "............XooX................",
    "............XooXXX..............", "............XooXooXXX...........",
    "............XooXooXooXX.........", ".........XX.XooXooXooXoX........",
    "........XooXXooooooooooX........", "........XoooXoooooooooooX.......",
    ".........XooXoooooooooooX.......", ".........XooooooooooooooX.......",
    "..........XoooooooooooooX.......", "..........XoooooooooooooX.......",
    "...........XooooooooooooX.......", "...........XoooooooooooX........",
    "............XooooooooooX........", "............XooooooooooX........",
    "............XXXXXXXXXXXX........", "................................",
    "................................", "................................",
    "................................", "................................",
};

Picture DrawHand() {
    Picture picture{32, {}};
    for (const char* row : kHand) {
        for (int x = 0; x < 32; ++x) {
            const char c = row[x];
            picture.pixels.push_back(c == 'X' ? 0xFF000000 : c == 'o' ? 0xFFFFFFFF : kClear);
        }
    }
    return picture;
}

void Put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// A 32-bit BGRA bitmap, bottom-up, followed by its AND mask (1 = transparent).
std::string Bitmap(const Picture& picture) {
    const auto size = static_cast<std::uint32_t>(picture.size);
    const std::uint32_t maskRow = (size + 31) / 32 * 4;
    std::string out;
    for (std::uint32_t value : {40u, size, 2 * size}) {
        Put(out, value, 4);
    }
    Put(out, 1, 2);
    Put(out, 32, 2);
    for (std::uint32_t value : {0u, size * size * 4 + maskRow * size, 0u, 0u, 0u, 0u}) {
        Put(out, value, 4);
    }
    for (std::uint32_t y = size; y-- > 0;) {
        for (std::uint32_t x = 0; x < size; ++x) {
            Put(out, picture.pixels[y * size + x], 4);
        }
    }
    for (std::uint32_t y = size; y-- > 0;) {
        std::string row(maskRow, '\0');
        for (std::uint32_t x = 0; x < size; ++x) {
            if ((picture.pixels[y * size + x] >> 24) == 0) {
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
            }
        }
        out += row;
    }
    return out;
}

// type 1 icon (planes 1, 32 bits per entry) or 2 cursor (the hot spot in those fields).
std::string IconFile(int type, const std::vector<Picture>& pictures, int hotX, int hotY) {
    std::string out;
    Put(out, 0, 2);
    Put(out, static_cast<std::uint32_t>(type), 2);
    Put(out, static_cast<std::uint32_t>(pictures.size()), 2);
    std::vector<std::string> bitmaps;
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * pictures.size());
    for (const Picture& picture : pictures) {
        bitmaps.push_back(Bitmap(picture));
        const auto size = static_cast<std::uint32_t>(picture.size);
        Put(out, size, 1);
        Put(out, size, 1);
        Put(out, 0, 2);
        Put(out, static_cast<std::uint32_t>(type == 1 ? 1 : hotX), 2);
        Put(out, static_cast<std::uint32_t>(type == 1 ? 32 : hotY), 2);
        Put(out, static_cast<std::uint32_t>(bitmaps.back().size()), 4);
        Put(out, offset, 4);
        offset += static_cast<std::uint32_t>(bitmaps.back().size());
    }
    for (const std::string& bitmap : bitmaps) {
        out += bitmap;
    }
    return out;
}

bool Write(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        std::cerr << "make_artwork: cannot write " << path << "\n";
        return false;
    }
    return true;
}

std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char byte : bytes) {
        crc ^= static_cast<unsigned char>(byte);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void PutBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

void Chunk(std::string& out, std::string_view type, const std::string& data) {
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type) + data;
    out += typed;
    PutBigEndian(out, Crc32(typed));
}

// A zlib stream of stored (uncompressed) deflate blocks: no compressor needed,
// and the icons are small.
std::string StoredZlib(const std::string& raw) {
    std::string out = "\x78\x01";
    constexpr std::size_t kBlock = 65535;
    std::size_t at = 0;
    do {
        const std::size_t length = std::min(kBlock, raw.size() - at);
        out += static_cast<char>(at + length == raw.size() ? 1 : 0);
        Put(out, static_cast<std::uint32_t>(length), 2);
        Put(out, static_cast<std::uint32_t>(~length & 0xFFFF), 2);
        out.append(raw, at, length);
        at += length;
    } while (at < raw.size());
    std::uint32_t a = 1, b = 0;
    for (char byte : raw) {
        a = (a + static_cast<unsigned char>(byte)) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(out, b << 16 | a);
    return out;
}

// 8-bit RGBA, each row led by filter type 0.
std::string Png(const Picture& picture) {
    std::string header;
    PutBigEndian(header, static_cast<std::uint32_t>(picture.size));
    PutBigEndian(header, static_cast<std::uint32_t>(picture.size));
    header += std::string("\x08\x06\x00\x00\x00", 5);
    std::string raw;
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        if (i % static_cast<std::size_t>(picture.size) == 0) {
            raw += '\0';
        }
        const std::uint32_t c = picture.pixels[i];
        for (int shift : {16, 8, 0, 24}) {
            raw += static_cast<char>((c >> shift) & 0xFF);
        }
    }
    std::string out = "\x89PNG\r\n\x1a\n";
    Chunk(out, "IHDR", header);
    Chunk(out, "IDAT", StoredZlib(raw));
    Chunk(out, "IEND", {});
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--png") {
        const int size = std::atoi(argv[2]);
        if (size < 8 || size > 1024) {
            std::cerr << "make_artwork: a PNG size is 8 to 1024 pixels\n";
            return 2;
        }
        return Write(argv[3], Png(DrawIcon(size))) ? 0 : 1;
    }
    const std::string folder = argc > 1 ? std::string(argv[1]) + "/" : std::string();
    const bool icon = Write(folder + "kolm.ico", IconFile(1, {DrawIcon(32), DrawIcon(16)}, 0, 0));
    const bool cursor = Write(folder + "hand.cur", IconFile(2, {DrawHand()}, 13, 5));
    return icon && cursor ? 0 : 1;
}
