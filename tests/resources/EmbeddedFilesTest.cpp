// The copies of the resource files built into the program are the files in resources/.
#include "resources/EmbeddedFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

TEST(EmbeddedFiles, AreByteForByteTheSourceFiles) {
    std::set<std::string> names;
    for (const EmbeddedFile& file : EmbeddedFiles()) {
        names.emplace(file.name);
        std::ifstream in(std::string(KOLM_SOURCE_DIR "/resources/") + std::string(file.name),
                         std::ios::binary);
        const std::string source{std::istreambuf_iterator<char>(in),
                                 std::istreambuf_iterator<char>()};
        EXPECT_TRUE(source == file.bytes) << file.name;
    }
    EXPECT_EQ(names, (std::set<std::string>{"kolm.rc", "Resource.h", "kolm.ico", "hand.cur"}));
}
