// The copies of the resource files built into the program are the files in
// resources/, and the about box's texts the build made from the project.
#include "resources/EmbeddedFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

TEST(EmbeddedFiles, AreByteForByteTheSourceFiles) {
    std::set<std::string> names;
    for (const EmbeddedFile& file : EmbeddedFiles()) {
        names.emplace(file.name);
        std::filesystem::path path =
            std::filesystem::path(KOLM_SOURCE_DIR "/resources") / file.name;
        if (!std::filesystem::exists(path))
            path = std::filesystem::path(KOLM_BINARY_DIR "/resources") / file.name;
        std::ifstream in(path, std::ios::binary);
        const std::string source{std::istreambuf_iterator<char>(in),
                                 std::istreambuf_iterator<char>()};
        EXPECT_TRUE(source == file.bytes) << path;
    }
    EXPECT_EQ(names, (std::set<std::string>{"kolm.rc", "Resource.h", "AboutTexts.h", "kolm.ico",
                                            "hand.cur"}));
}
