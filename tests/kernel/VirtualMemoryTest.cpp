// Pages from VirtualAlloc: large ones aligned to their size and advised to the
// kernel as huge pages, so that a device's transfer into them is one piece.
#include "platform/kernel/Kernel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

namespace {

constexpr DWORD kCommit = MEM_RESERVE | MEM_COMMIT;

// The VmFlags line of the mapping that holds address, from /proc/self/smaps.
std::string MappingFlags(const void* address) {
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream smaps("/proc/self/smaps");
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        std::uintptr_t from = 0;
        std::uintptr_t to = 0;
        char dash = 0;
        std::istringstream range(line);
        if (range >> std::hex >> from >> dash >> to && dash == '-')
            inside = from <= at && at < to;
        else if (inside && line.starts_with("VmFlags:"))
            return line;
    }
    return "";
}

TEST(VirtualMemory, LargePagesLieOnTheirOwnBoundaryAndAreAdvisedAsHugePages) {
    const SIZE_T large = GetLargePageMinimum();
    if (large == 0)
        GTEST_SKIP() << "this kernel has no transparent huge pages";
    auto* pages = static_cast<BYTE*>(
        VirtualAlloc(nullptr, 2 * large, kCommit | MEM_LARGE_PAGES, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pages) % large, 0u);
    EXPECT_EQ(pages[0] | pages[2 * large - 1], 0);
    pages[2 * large - 1] = 1;
    EXPECT_THAT(MappingFlags(pages), testing::HasSubstr(" hg"));
    EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
    EXPECT_EQ(MappingFlags(pages), "");
}

TEST(VirtualMemory, OrdinaryPagesAreWholePagesAndComeBackOnce) {
    auto* pages = static_cast<BYTE*>(VirtualAlloc(nullptr, 2048, kCommit, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pages) % 4096, 0u);
    EXPECT_THAT(MappingFlags(pages), testing::Not(testing::HasSubstr(" hg")));
    EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
    SetLastError(0);
    EXPECT_FALSE(VirtualFree(pages, 0, MEM_RELEASE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(VirtualMemory, RefusesWhatItCannotGive) {
    const SIZE_T large = GetLargePageMinimum();
    struct Case {
        const char* what;
        SIZE_T size;
        DWORD type;
    };
    const Case cases[] = {
        {"nothing", 0, kCommit},
        {"reserved only", 4096, MEM_RESERVE},
        {"large pages of a size that is not a whole number of them", large + 4096,
         kCommit | MEM_LARGE_PAGES},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(VirtualAlloc(nullptr, c.size, c.type, PAGE_READWRITE), nullptr) << c.what;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << c.what;
    }
}

} // namespace
