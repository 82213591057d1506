// The line under the sector's panes against tools nobody here wrote: disks made by
// sfdisk with file systems made by mkfs.fat (filled by mcopy), mkfs.ext4 -d and
// mkfs.exfat; for sectors across the disk, the partition is the one sfdisk gives,
// the file the one ifind and ffind name for the block, the free space where blkls
// says.
#include "device/DiskDevice.h"
#include "platform/framework/HeadlessBackend.h"
#include "platform/framework/UiThread.h"
#include "platform/text/Cp932.h"
#include "tests/support/LoopDevice.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The output whatever the status: ifind fails for a block no file holds.
std::string Shell(const std::string& command) {
    return RunCommand("(" + command + " || true)").value_or("");
}

struct Partition {
    unsigned number;
    unsigned long long start;
    unsigned long long size;
};

// "disk.img1 : start=        2048, size=       81920, type=..." from sfdisk -d.
std::vector<Partition> SfdiskPartitions(const std::string& disk) {
    std::vector<Partition> partitions;
    std::istringstream lines(Shell("sfdisk -d " + disk));
    for (std::string line; std::getline(lines, line);) {
        Partition p{};
        const auto colon = line.find(" : start=");
        if (colon == std::string::npos ||
            std::sscanf(line.c_str() + colon, " : start= %llu, size= %llu", &p.start, &p.size) != 2)
            continue;
        p.number = static_cast<unsigned>(std::stoul(line.substr(disk.size(), colon - disk.size())));
        partitions.push_back(p);
    }
    return partitions;
}

// What the file systems are, as the line names them, and their block sizes for
// ifind; what a DOS table numbers 4 is the extended partition, which holds 5.
struct Layout {
    const char* label;
    struct FileSystem {
        unsigned number;
        const char* name;
        DWORD blockSectors;
    } fileSystems[4];
};
const Layout kLayouts[] = {
    {"gpt", {{1, "FAT32, label BOOT", 1}, {2, "ext4", 2}, {3, "", 0}, {4, "exFAT", 1}}},
    {"dos", {{1, "FAT32, label BOOT", 1}, {2, "ext4", 2}, {3, "", 0}, {5, "exFAT", 1}}},
};

class SectorOwnersTest : public ::testing::TestWithParam<Layout> {
protected:
    void SetUp() override {
        if (Shell("for t in sfdisk mkfs.fat mcopy mkfs.ext4 mkfs.exfat ifind ffind blkls; "
                  "do command -v $t; done | wc -l") != "8\n")
            GTEST_SKIP()
                << "sfdisk, dosfstools, mtools, e2fsprogs, exfatprogs or sleuthkit missing";
        dir = Shell("mktemp -d");
        ASSERT_FALSE(dir.empty());
        dir.pop_back();
        disk = dir + "/disk.img";
        ASSERT_EQ(Shell(std::string(KOLM_SOURCE_DIR "/tests/sectormap/make-disk ") + dir + " " +
                        GetParam().label + " && echo made"),
                  "made\n");
        ASSERT_TRUE(device.OpenDevicePath(disk.c_str()));
    }

    void TearDown() override {
        device.CloseDevice();
        if (!dir.empty())
            Shell("rm -rf " + dir);
    }

    // The line once the index is built.
    std::string Line(ULONGLONG sector) {
        device.WaitForSectorOwners();
        return device.DescribeSector(static_cast<LONGLONG>(sector)).GetString();
    }

    // The blocks blkls lists as unallocated: "addr|f" lines.
    std::set<ULONGLONG> FreeBlocks(ULONGLONG start) const {
        std::set<ULONGLONG> blocks;
        std::istringstream lines(Shell("blkls -l -o " + std::to_string(start) + " " + disk));
        for (std::string line; std::getline(lines, line);)
            if (line.ends_with("|f"))
                blocks.insert(std::stoull(line));
        return blocks;
    }

    // What ifind and ffind say of a sector, as the line should say it after the
    // partition's name; empty for what the tools call metadata without a name.
    std::string Expected(const Partition& p, DWORD blockSectors, ULONGLONG sector,
                         const std::set<ULONGLONG>& free) const {
        const ULONGLONG block = (sector - p.start) / blockSectors;
        const std::string offset = " -o " + std::to_string(p.start) + " " + disk;
        std::string inode = Shell("ifind -d " + std::to_string(block) + offset);
        inode = inode.substr(0, inode.find('\n'));
        if (inode.starts_with("Inode not found"))
            return free.contains(block) ? ": free space (not in any file)" : "";
        if (inode.empty() || !std::isdigit(static_cast<unsigned char>(inode[0])))
            return "";
        std::string name = Shell("ffind" + offset + " " + inode);
        name = name.substr(0, name.find('\n'));
        if (name == "/$MBR")
            return ": boot sector";
        if (name.starts_with("/$FAT"))
            return ": FAT " + name.substr(5);
        return name.starts_with("/") ? text::FromUtf8(name) + ", byte " : "";
    }

    framework::HeadlessBackend backend;
    DiskDevice device;
    std::string dir;
    std::string disk;
};

TEST_P(SectorOwnersTest, TablesAndGapsAreNamed) {
    const ULONGLONG last = static_cast<ULONGLONG>(device.GetLastLba());
    EXPECT_EQ(Line(0), "MBR");
    EXPECT_EQ(Line(2047), "outside every partition");
    EXPECT_EQ(Line(last), std::string(GetParam().label) == "gpt" ? "GPT backup header"
                                                                 : "outside every partition");
    if (std::string(GetParam().label) == "gpt") {
        EXPECT_EQ(Line(1), "GPT header");
        EXPECT_EQ(Line(2), "GPT entries");
        EXPECT_EQ(Line(33), "GPT entries");
        EXPECT_EQ(Line(last - 1), "GPT backup entries");
    } else {
        EXPECT_EQ(Line(SfdiskPartitions(disk)[3].start), "extended partition table");
    }
}

TEST_P(SectorOwnersTest, SectorsAcrossEachPartitionMatchTheTools) {
    const std::vector<Partition> partitions = SfdiskPartitions(disk);
    for (const Layout::FileSystem& fs : GetParam().fileSystems) {
        const auto p = std::find_if(partitions.begin(), partitions.end(),
                                    [&](const Partition& q) { return q.number == fs.number; });
        ASSERT_NE(p, partitions.end()) << fs.number;
        const std::string name = "partition " + std::to_string(fs.number) + " (" +
                                 (*fs.name ? fs.name : "unknown file system") + ")";
        if (fs.blockSectors == 0) {
            EXPECT_EQ(Line(p->start), name);
            EXPECT_EQ(Line(p->start + p->size - 1), name);
            continue;
        }
        const std::set<ULONGLONG> free = FreeBlocks(p->start);
        // The first sectors, where the structures are, then sectors spread over the
        // first tenth, where the files are, and over the rest.
        std::vector<ULONGLONG> sectors = {0, 1, 2, 6, 40, 700};
        for (ULONGLONG step = 1; step < 20; ++step)
            sectors.insert(sectors.end(), {p->size * step / 200, p->size * step / 20});
        for (ULONGLONG at : sectors) {
            const ULONGLONG sector = p->start + at;
            const std::string expected = Expected(*p, fs.blockSectors, sector, free);
            const std::string line = Line(sector);
            EXPECT_TRUE(line.starts_with(name)) << sector << ": " << line;
            if (expected.empty())
                EXPECT_TRUE(line.find(", byte ") == std::string::npos &&
                            line.find("free") == std::string::npos)
                    << sector << ": " << line;
            else
                EXPECT_NE(line.find(expected), std::string::npos)
                    << sector << ": " << line << " wants " << expected;
        }
    }
}

// Closing the device stops the build wherever it is and forgets the index; the
// next open builds anew.
TEST_P(SectorOwnersTest, ClosingEndsTheBuildAndTheNextOpenBuildsAnew) {
    device.DescribeSector(0); // starts the build
    device.CloseDevice();
    EXPECT_EQ(device.DescribeSector(0).GetString(), std::string());
    ASSERT_TRUE(device.OpenDevicePath(disk.c_str()));
    EXPECT_EQ(Line(0), "MBR");
}

// The window hears of each part of the index as it comes in (the tables, then the
// whole), on its own thread; a device already gone is never called.
TEST_P(SectorOwnersTest, TheWindowHearsWhenTheIndexGrows) {
    int heard = 0;
    device.SetSectorOwnersPublished([&heard] { ++heard; });
    device.DescribeSector(0);
    device.WaitForSectorOwners();
    framework::ServeUiRequests();
    EXPECT_EQ(heard, 2);

    heard = 0;
    device.CloseDevice(); // the disk is held by one device at a time
    {
        DiskDevice gone;
        ASSERT_TRUE(gone.OpenDevicePath(disk.c_str()));
        gone.SetSectorOwnersPublished([&heard] { ++heard; });
        gone.DescribeSector(0);
        gone.WaitForSectorOwners();
    }
    framework::ServeUiRequests();
    EXPECT_EQ(heard, 0);
}

INSTANTIATE_TEST_SUITE_P(Tables, SectorOwnersTest, ::testing::ValuesIn(kLayouts),
                         [](const auto& layout) { return std::string(layout.param.label); });

} // namespace
