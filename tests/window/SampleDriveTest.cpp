// The sample drive as other tools read it: sfdisk sees the partition, mtools the
// files, Qt's image readers decode the bitmap and the JPEG.
#include "WindowTesting.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::string Shell(const std::string& command) {
    std::string output;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            output += buffer;
        pclose(pipe);
    }
    return output;
}

std::string Extract(const std::string& image, const std::string& name) {
    const std::string out = image + "." + name;
    Shell("MTOOLS_SKIP_CHECK=1 mcopy -o -i '" + image + "@@1M' ::" + name + " '" + out + "'");
    std::ifstream file(out, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(SampleDrive, HoldsAFatPartitionAtOneMebibyteWithAFileOfEachKind) {
    window_testing::Application();
    const std::string image = window_testing::MakeSampleDrive();
    ASSERT_FALSE(image.empty());
    EXPECT_EQ(std::filesystem::file_size(image), 16u << 20);
    EXPECT_NE(
        Shell("sfdisk -d '" + image + "'").find("start=        2048, size=       30720, type=6"),
        std::string::npos);

    const QImage bitmap = QImage::fromData(QByteArray::fromStdString(Extract(image, "sample.bmp")));
    ASSERT_EQ(bitmap.size(), QSize(16, 16));
    EXPECT_EQ(bitmap.pixelColor(0, 0), QColor(255, 0, 0)); // red at the left of the top row
    const QImage jpeg =
        QImage::fromData(QByteArray::fromStdString(Extract(image, "sample.jpg")), "JPG");
    ASSERT_EQ(jpeg.size(), QSize(16, 16));
    EXPECT_NEAR(qGray(jpeg.pixel(0, 0)), 228, 2); // light block, top left
    EXPECT_NEAR(qGray(jpeg.pixel(15, 0)), 28, 2); // dark block, top right

    EXPECT_EQ(Extract(image, "sample.pdf").rfind("%PDF-1.4\n", 0), 0u);
    EXPECT_EQ(Extract(image, "sample.doc").substr(0, 8), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    EXPECT_EQ(Extract(image, "sample.mdb").substr(0, 20),
              std::string("\0\1\0\0Standard Jet DB", 19) + '\0');
    // "これは" in Shift-JIS and in UTF-16LE after its byte-order mark.
    EXPECT_EQ(Extract(image, "sjis.txt").substr(0, 6), "\x82\xB1\x82\xEA\x82\xCD");
    EXPECT_EQ(Extract(image, "utf16.txt").substr(0, 8),
              std::string("\xFF\xFE\x53\x30\x8C\x30\x6F\x30", 8));
}

} // namespace
