// Writes the files of the sample drive into a folder: one of each header type the
// searches know (bitmap, JPEG, PDF, OLE compound document, Jet database) and a
// Japanese text in Shift-JIS and in UTF-16LE.
#include "platform/text/Cp932.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutLe(Bytes& out, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutBe16(Bytes& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void PutText(Bytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

// 16 x 16 pixels, 24 bits, a red-to-blue gradient over a green ramp.
Bytes Bitmap() {
    constexpr int side = 16;
    constexpr std::uint32_t pixelBytes = side * side * 3; // rows of 48 bytes need no padding
    Bytes out;
    PutText(out, "BM");
    PutLe(out, 54 + pixelBytes, 4);
    PutLe(out, 0, 4);
    PutLe(out, 54, 4);
    PutLe(out, 40, 4); // BITMAPINFOHEADER
    PutLe(out, side, 4);
    PutLe(out, side, 4); // positive height: rows from the bottom
    PutLe(out, 1, 2);
    PutLe(out, 24, 2);
    PutLe(out, 0, 4); // no compression
    PutLe(out, pixelBytes, 4);
    PutLe(out, 2835, 4); // 72 dpi
    PutLe(out, 2835, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    for (int row = side - 1; row >= 0; --row) {
        for (int column = 0; column < side; ++column) {
            out.push_back(static_cast<std::uint8_t>(column * 17));       // blue
            out.push_back(static_cast<std::uint8_t>(row * 17));          // green
            out.push_back(static_cast<std::uint8_t>(255 - column * 17)); // red
        }
    }
    return out;
}

// Entropy-coded bits, most significant first, with the 0xFF stuffing of JPEG.
class BitWriter {
public:
    void Put(std::uint32_t bits, int count) {
        for (int i = count - 1; i >= 0; --i) {
            m_byte = static_cast<std::uint8_t>((m_byte << 1) | ((bits >> i) & 1u));
            if (++m_used == 8)
                Flush();
        }
    }
    Bytes Finish() {
        while (m_used != 0)
            Put(1, 1); // pad with ones
        return m_out;
    }

private:
    void Flush() {
        m_out.push_back(m_byte);
        if (m_byte == 0xFF)
            m_out.push_back(0x00);
        m_byte = 0;
        m_used = 0;
    }
    Bytes m_out;
    std::uint8_t m_byte = 0;
    int m_used = 0;
};

void PutSegment(Bytes& out, unsigned marker, const Bytes& body) {
    PutBe16(out, marker);
    PutBe16(out, static_cast<unsigned>(body.size() + 2));
    out.insert(out.end(), body.begin(), body.end());
}

// A baseline JFIF image of 16 x 16 grey pixels, a 2 x 2 checkerboard of 8 x 8
// blocks (light 228, dark 28). Every block is flat, so each carries only a DC
// difference and an end of block; the tables hold just the codes used.
Bytes Jpeg() {
    Bytes out;
    PutBe16(out, 0xFFD8);
    Bytes jfif;
    PutText(jfif, std::string("JFIF\0", 5));
    jfif.insert(jfif.end(), {1, 1, 0, 0, 1, 0, 1, 0, 0});
    PutSegment(out, 0xFFE0, jfif);

    Bytes quant{0};     // table 0, 8-bit values
    quant.push_back(8); // DC step 8: a block's quantised DC is its mean minus 128
    quant.insert(quant.end(), 63, 1);
    PutSegment(out, 0xFFDB, quant);

    PutSegment(out, 0xFFC0, {8, 0, 16, 0, 16, 1, 1, 0x11, 0});

    // DC: category 0 "0", 7 "10", 8 "110". AC: end of block "0".
    Bytes dc{0x00, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 8};
    PutSegment(out, 0xFFC4, dc);
    Bytes ac{0x10, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00};
    PutSegment(out, 0xFFC4, ac);

    PutSegment(out, 0xFFDA, {1, 1, 0x00, 0, 63, 0});
    BitWriter bits;
    const int means[] = {100, -100, -100, 100}; // raster order of the blocks
    int previous = 0;
    for (int mean : means) {
        const int diff = mean - previous;
        previous = mean;
        const int magnitude = diff < 0 ? -diff : diff;
        int category = 0;
        while ((magnitude >> category) != 0)
            ++category;
        if (category == 0)
            bits.Put(0b0, 1);
        else if (category == 7)
            bits.Put(0b10, 2);
        else
            bits.Put(0b110, 3); // the means above give only categories 0, 7 and 8
        // Negative differences are sent as diff - 1 in the category's bits.
        const auto extra = static_cast<std::uint32_t>(diff < 0 ? diff + (1 << category) - 1 : diff);
        bits.Put(extra, category);
        bits.Put(0b0, 1); // end of block
    }
    const Bytes scan = bits.Finish();
    out.insert(out.end(), scan.begin(), scan.end());
    PutBe16(out, 0xFFD9);
    return out;
}

// One page saying "Kolm sample drive", with a correct cross-reference table.
Bytes Pdf() {
    const std::string content = "BT /F1 24 Tf 72 720 Td (Kolm sample drive) Tj ET\n";
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\n";
    pdf += "startxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return Bytes(pdf.begin(), pdf.end());
}

// The 512-byte header of a version 3 compound file with nothing allocated.
Bytes CompoundFileHeader() {
    Bytes out{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    out.insert(out.end(), 16, 0); // class id
    PutLe(out, 0x003E, 2);        // minor version
    PutLe(out, 0x0003, 2);        // major version: 512-byte sectors
    PutLe(out, 0xFFFE, 2);        // little-endian
    PutLe(out, 9, 2);             // sector shift
    PutLe(out, 6, 2);             // mini sector shift
    out.insert(out.end(), 6, 0);
    PutLe(out, 0, 4);          // directory sectors
    PutLe(out, 0, 4);          // FAT sectors
    PutLe(out, 0xFFFFFFFE, 4); // first directory sector: end of chain
    PutLe(out, 0, 4);          // transaction signature
    PutLe(out, 0x1000, 4);     // mini stream cut-off
    PutLe(out, 0xFFFFFFFE, 4); // first mini FAT sector
    PutLe(out, 0, 4);
    PutLe(out, 0xFFFFFFFE, 4); // first DIFAT sector
    PutLe(out, 0, 4);
    while (out.size() < 512)
        PutLe(out, 0xFFFFFFFF, 4); // DIFAT entries: free
    return out;
}

// The first page of a Jet 3 database: its signature, the rest left empty.
Bytes JetHeader() {
    Bytes out{0x00, 0x01, 0x00, 0x00};
    PutText(out, std::string("Standard Jet DB\0", 16));
    out.resize(2048, 0);
    return out;
}

const char* const kJapanese = "これはKolmのサンプルドライブです。\r\n"
                              "セクタの中から日本語の文字列を検索できます。\r\n"
                              "半角ｶﾀｶﾅも入っています。\r\n";

Bytes ShiftJisText() {
    const std::string bytes = Jp(kJapanese);
    return Bytes(bytes.begin(), bytes.end());
}

Bytes Utf16Text() {
    Bytes out{0xFF, 0xFE};
    for (char16_t unit : text::ToUtf16(Jp(kJapanese)))
        PutLe(out, unit, 2);
    return out;
}

bool Write(const std::string& path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_files FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const struct {
        const char* name;
        Bytes bytes;
    } files[] = {
        {"sample.bmp", Bitmap()},    {"sample.jpg", Jpeg()},
        {"sample.pdf", Pdf()},       {"sample.doc", CompoundFileHeader()},
        {"sample.mdb", JetHeader()}, {"sjis.txt", ShiftJisText()},
        {"utf16.txt", Utf16Text()},
    };
    for (const auto& file : files) {
        if (!Write(folder + "/" + file.name, file.bytes)) {
            std::perror((folder + "/" + file.name).c_str());
            return 1;
        }
    }
    return 0;
}
