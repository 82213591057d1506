// Searches over a FAT file system made by mkfs.fat and filled by mcopy, opened as
// a stand-in device (a plain file) and, as root, through a loop device; where a
// pattern lies comes from grep, not from our own reading of the image.
#include "tests/jobs/Grep.h"
#include "tests/jobs/JobHarness.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr LONGLONG kImageBytes = 8 << 20;

bool Shell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

// The first match that lies inside one chunk, the only kind the search finds.
LONGLONG FirstWithinAChunk(const std::vector<LONGLONG>& offsets, LONGLONG length, LONGLONG chunk) {
    for (LONGLONG offset : offsets)
        if (offset / chunk == (offset + length - 1) / chunk)
            return offset;
    return -1;
}

class FatImageSearchTest : public JobTest {
protected:
    void SetUp() override {
        if (!Shell("command -v mkfs.fat >/dev/null && command -v mcopy >/dev/null"))
            GTEST_SKIP() << "mkfs.fat and mcopy (dosfstools, mtools) are not installed";
        dir = Output("mktemp -d");
        ASSERT_FALSE(dir.empty());
        dir.pop_back();
        image = dir + "/disk.img";
        ASSERT_TRUE(Shell("mkfs.fat -C -n KOLM " + image + " " +
                          std::to_string(kImageBytes / 1024) + " >/dev/null"));
        // Fill with files before the ones the searches look for, so that they lie
        // beyond the first chunk.
        ASSERT_TRUE(Shell("head -c 1500000 /dev/urandom > " + dir + "/filler.bin"));
        WriteFile("needle.txt", "KolmNeedle at the start of a cluster\r\n");
        WriteFile("wide.txt", std::string("W\0i\0d\0e\0K\0o\0l\0m\0", 16));
        WriteFile("blob.bin",
                  std::string(700, 'x') + "\xDE\xAD\xBE\xEF\x4B\x4F" + std::string(9000, 'y'));
        for (const char* name : {"filler.bin", "needle.txt", "wide.txt", "blob.bin"})
            ASSERT_TRUE(Shell("mcopy -i " + image + " " + dir + "/" + name + " ::/" + name));
    }

    void TearDown() override {
        if (!loop.empty())
            Shell("losetup -d " + loop);
        if (!dir.empty())
            Shell("rm -rf " + dir);
    }

    void WriteFile(const std::string& name, const std::string& bytes) {
        std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
    }

    // Every search of the image lands where grep says the pattern is.
    void ExpectSearchesMatchGrep(LONGLONG last) {
        struct Case {
            int type;
            const char* pattern;
            const char* grep;
            LONGLONG length;
        };
        const Case cases[] = {
            {SEARCH_HEX, "55AA", "\\x55\\xAA", 2},
            {SEARCH_HEX, "DEADBEEF4B4F", "\\xDE\\xAD\\xBE\\xEF\\x4B\\x4F", 6},
            {TEXT_ASCII, "KolmNeedle", "KolmNeedle", 10},
            {TEXT_SJIS, "KolmNeedle at", "KolmNeedle at", 13},
            {TEXT_UNICODE, "WideKolm", "W\\x00i\\x00d\\x00e\\x00K\\x00o\\x00l\\x00m\\x00", 16},
        };
        for (const Case& c : cases) {
            LONGLONG offset = FirstWithinAChunk(GrepOffsets(image, c.grep), c.length, kChunk);
            ASSERT_GE(offset, 0) << c.pattern;
            RunSearch(c.type, 0, last, c.pattern);
            EXPECT_EQ(device.GetPosition(), offset / 512 * 512) << c.pattern;
        }
        RunSearch(SEARCH_HEX, 0, last, "0102030405060708090A0B0C0D0E0F");
        EXPECT_EQ(device.GetPosition(), last * 512);
        EXPECT_TRUE(backend.boxes.empty());
    }

    std::string dir;
    std::string image;
    std::string loop;
};

TEST_F(FatImageSearchTest, StandInFile) {
    ASSERT_TRUE(device.OpenDevicePath(image.c_str()));
    ASSERT_EQ(device.GetBytesPerSector(), 512u);
    ExpectSearchesMatchGrep(device.GetLastLba());
}

TEST_F(FatImageSearchTest, LoopDevice) {
    if (Output("id -u") != "0\n")
        GTEST_SKIP() << "attaching a loop device needs root";
    loop = Output("losetup -f --show " + image + " 2>/dev/null");
    if (loop.empty())
        GTEST_SKIP() << "no loop device could be attached here";
    loop.pop_back();
    ASSERT_TRUE(device.OpenDevicePath(loop.c_str()));
    ASSERT_EQ(device.GetCapacity(0), kImageBytes);
    ExpectSearchesMatchGrep(device.GetLastLba());
}

} // namespace
