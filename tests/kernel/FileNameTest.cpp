// File names cross from code page 932 to this machine's UTF-8 when a file is
// created or opened: the file on disk carries the name that was chosen, and a
// name with bytes that are no character opens and creates nothing.
#include "platform/kernel/Kernel.h"
#include "platform/text/Cp932.h"
#include "tests/kernel/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

HANDLE Create(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST(FileNames, ACodePage932NameIsTheFileOfThatNameHere) {
    TempFolder folder;
    // 表 and ソ end in 0x5C, the byte of "\\"; ｶﾀｶﾅ is one byte a character.
    const char* names[] = {"plain.img", "日本語のカード.img", "表示ソフト.img", "ｶﾀｶﾅ.img",
                           "a b~c.img"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const std::string utf8 = folder / name;
        const std::string cp932 = Jp(utf8);
        HANDLE file = Create(cp932);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
        DWORD done = 0;
        EXPECT_TRUE(WriteFile(file, name, 5, &done, nullptr));
        CloseHandle(file);
        EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{name});
        EXPECT_EQ(ReadBytes(utf8), std::vector<char>(name, name + 5));

        file = CreateFileA(cp932.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_READONLY, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
        LARGE_INTEGER size{};
        EXPECT_TRUE(GetFileSizeEx(file, &size));
        EXPECT_EQ(size.QuadPart, 5);
        CloseHandle(file);
        ULARGE_INTEGER available{};
        EXPECT_TRUE(
            GetDiskFreeSpaceExA(Jp(folder.Path() + "/").c_str(), &available, nullptr, nullptr));
        fs::remove(utf8);
    }
}

TEST(FileNames, BytesThatAreNoCharacterNameNothing) {
    TempFolder folder;
    WriteText(folder / "x.img", "an existing file");
    // A lead byte at the end, one before a byte that cannot trail, an unassigned
    // pair, bytes no character starts with.
    const std::string names[] = {"\x82", "\x82 .img", "\x85\x40.img", "\xFF.img", "\x80"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Create(folder / name), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
        ULARGE_INTEGER available{};
        EXPECT_FALSE(GetDiskFreeSpaceExA((folder / name).c_str(), &available, nullptr, nullptr));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
        EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"x.img"});
    }
}

} // namespace
