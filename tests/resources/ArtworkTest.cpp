// The icon and cursor decoder on the shipped files and on damaged copies of them.
#include "platform/framework/IconFile.h"
#include "resources/ProgramResources.h"
#include "resources/Resource.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

using framework::DecodeIconFile;
using framework::IconFileKind;
using framework::Image;

std::string ReadArtwork(const char* name) {
    std::ifstream in(std::string(KOLM_SOURCE_DIR "/resources/") + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Artwork, IconPicksItsLargestImageWhateverTheOrder) {
    std::string bytes = ReadArtwork("kolm.ico");
    ASSERT_GE(bytes.size(), 38u);
    // Swap the two 16-byte directory entries: the 16x16 image then comes first.
    std::swap_ranges(bytes.begin() + 6, bytes.begin() + 22, bytes.begin() + 22);
    ASSERT_EQ(static_cast<unsigned char>(bytes[6]), 16);
    Image image;
    std::string error;
    ASSERT_TRUE(DecodeIconFile(bytes, IconFileKind::Icon, image, error)) << error;
    EXPECT_EQ(image.width, 32);
    EXPECT_EQ(image.height, 32);
    EXPECT_EQ(image.hotX, 0);
    EXPECT_EQ(image.hotY, 0);
}

TEST(Artwork, EveryCutShortFileIsRefused) {
    for (const char* name : {"kolm.ico", "hand.cur"}) {
        const std::string bytes = ReadArtwork(name);
        const IconFileKind kind = name[0] == 'k' ? IconFileKind::Icon : IconFileKind::Cursor;
        Image image;
        std::string error;
        ASSERT_TRUE(DecodeIconFile(bytes, kind, image, error)) << name << ": " << error;
        // The first entry is the largest image; a file cut anywhere before its end fails.
        const auto field = [&](std::size_t at) {
            std::size_t value = 0;
            for (std::size_t i = 4; i-- > 0;) {
                value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
            }
            return value;
        };
        const std::size_t end = field(6 + 12) + field(6 + 8);
        ASSERT_LE(end, bytes.size());
        for (std::size_t length = 0; length < end; ++length) {
            error.clear();
            Image partial;
            EXPECT_FALSE(
                DecodeIconFile(std::string_view(bytes).substr(0, length), kind, partial, error))
                << name << " cut to " << length;
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(Artwork, DamagedHeadersAreRefused) {
    const std::string good = ReadArtwork("hand.cur");
    const std::size_t dib = 6 + 16;
    struct Damage {
        std::size_t offset;
        char value;
        const char* reason;
    };
    const Damage damages[] = {
        {4, 0, "directory"},            // no images
        {18, 0x7F, "outside the file"}, // image offset far past the end
        {dib + 0, 12, "bitmap header"}, // an old core header
        {dib + 4, 16, "size differs"},  // bitmap width 16 against the entry's 32
        {dib + 14, 24, "32-bit"},       // 24 bits per pixel
        {dib + 16, 3, "uncompressed"},  // bit fields compression
    };
    for (const Damage& damage : damages) {
        std::string bytes = good;
        bytes[damage.offset] = damage.value;
        Image image;
        std::string error;
        EXPECT_FALSE(DecodeIconFile(bytes, IconFileKind::Cursor, image, error)) << damage.reason;
        EXPECT_NE(error.find(damage.reason), std::string::npos) << error;
    }
}

TEST(ProgramResources, LoadsTheScriptCopiedIntoTheBuild) {
    std::string reason;
    ASSERT_TRUE(LoadProgramResources(&reason)) << reason;
    const framework::ResourceSet& set = framework::Resources();
    ASSERT_NE(set.Dialog(IDD_KOLM_DIALOG), nullptr);
    EXPECT_EQ(set.Dialog(IDD_KOLM_DIALOG)->controls.size(), 42u);
    EXPECT_NE(set.Dialog(IDD_ABOUTBOX), nullptr);
    EXPECT_NE(set.Menu(IDR_MENU), nullptr);
    EXPECT_FALSE(set.String(IDS_ABOUTBOX).IsEmpty());
    EXPECT_NE(set.Icon(IDR_MAINFRAME), nullptr);
    EXPECT_NE(set.Cursor(IDC_HAND), nullptr);
}

} // namespace
