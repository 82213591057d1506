// The sector owners' index against The Sleuth Kit's own fls, and what the line
// costs a move. Run by hand:
//
//   bench_owners [IMAGE [FILES]]   (default /tmp/kolm_owners_bench.img, 20000 files)
//
// The image (bench/make-owners-disk: GPT, FAT32 of 512 MiB filled by mcopy, ext4
// of the rest by mkfs.ext4 -d, FILES files on each) is made once and kept. Three
// figures: the index's build through the device, beside `fls -r -p` listing both
// partitions (five rounds each, medians, cache warm, goal: no slower); a lookup,
// over a million sectors at random (goal: under a microsecond); and a move's work
// in the view, the sector read, its dump and its text, with and without the line
// (goal: at most 5 per cent more).
#include "bench/BenchSupport.h"
#include "platform/framework/HeadlessBackend.h"
#include "platform/sectormap/SectorMap.h"
#include "view/HexDump.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace bench;

constexpr int kRounds = 5;
constexpr int kLookups = 1000000;
constexpr int kMoves = 20000;

double BuildSeconds(const std::string& image) {
    DiskDevice device;
    if (!device.OpenDevicePath(image.c_str()))
        return -1;
    const auto start = Clock::now();
    device.DescribeSector(0);
    device.WaitForSectorOwners();
    return Seconds(start);
}

std::string FlsBoth(const std::string& image) {
    std::string command;
    for (const char* start : {"2048", "1050624"})
        command += "fls -r -p -o " + std::string(start) + " " + image + " >/dev/null; ";
    return command;
}

// The index built straight from the file, for the lookups alone.
std::shared_ptr<const sectormap::SectorMap> MapOf(const std::string& image, ULONGLONG sectors) {
    const int fd = open(image.c_str(), O_RDONLY);
    std::shared_ptr<const sectormap::SectorMap> map;
    sectormap::Disk disk;
    disk.sectorCount = sectors;
    disk.read = [fd](std::uint64_t first, std::uint32_t count, unsigned char* buffer) {
        return pread(fd, buffer, count * 512ul, static_cast<off_t>(first * 512)) ==
               static_cast<ssize_t>(count * 512ul);
    };
    sectormap::BuildSectorMap(
        disk, [&](std::shared_ptr<const sectormap::SectorMap> built) { map = std::move(built); });
    close(fd);
    return map;
}

// What a move costs the view: read the sector, dump it, render its text, and with
// the line, ask what it belongs to.
double MoveSeconds(DiskDevice& device, bool withLine) {
    std::mt19937_64 random(7);
    std::vector<BYTE> buffer(512);
    const auto last = static_cast<ULONGLONG>(device.GetLastLba());
    const auto start = Clock::now();
    for (int i = 0; i < kMoves; ++i) {
        const auto lba = static_cast<LONGLONG>(random() % last);
        device.SetPosition(lba * 512);
        device.ReadAtPosition(buffer.data(), 512);
        CString dump = FormatHexDump(lba * 512, buffer.data(), 512);
        CString text = device.FormatSectorText(TEXT_ASCII, buffer.data(), 512);
        if (withLine)
            text += device.DescribeSector(lba);
    }
    return Seconds(start) / kMoves;
}

} // namespace

int main(int argc, char** argv) {
    const std::string image = argc > 1 ? argv[1] : "/tmp/kolm_owners_bench.img";
    const std::string files = argc > 2 ? argv[2] : "20000";
    framework::HeadlessBackend backend;
    if (Output("test -f " + image + " && echo kept") != "kept") {
        std::printf("making %s with %s files on each partition...\n", image.c_str(), files.c_str());
        std::system((std::string(KOLM_SOURCE_DIR "/bench/make-owners-disk ") + image + " " + files)
                        .c_str());
    }
    const Turns turns = TakeTurns(
        kRounds, [&] { return ShellSeconds(FlsBoth(image)); }, [&] { return BuildSeconds(image); });
    std::printf("index build %.3f s, fls -r -p %.3f s, ratio %.2f (goal >= 1.00)\n",
                Median(turns.ours), Median(turns.theirs), Median(turns.ratios));

    DiskDevice device;
    if (!device.OpenDevicePath(image.c_str()))
        return 1;
    const auto sectors = static_cast<ULONGLONG>(device.GetLastLba() + 1);
    auto map = MapOf(image, sectors);
    std::printf("index memory %.1f MiB; peak memory %ld KiB\n",
                static_cast<double>(map->Bytes()) / (1 << 20), PeakKiB());
    std::mt19937_64 random(1);
    std::size_t owners = 0;
    const auto start = Clock::now();
    for (int i = 0; i < kLookups; ++i)
        owners += map->Find(random() % sectors).owners.size();
    std::printf("lookup %.0f ns (goal < 1000), %zu owners met\n", Seconds(start) / kLookups * 1e9,
                owners);

    device.DescribeSector(0);
    device.WaitForSectorOwners();
    std::vector<double> without, with;
    for (int round = 0; round < kRounds; ++round) {
        without.push_back(MoveSeconds(device, false));
        with.push_back(MoveSeconds(device, true));
    }
    const double ratio = Median(with) / Median(without);
    std::printf("move %.2f us, with the line %.2f us, ratio %.3f (goal <= 1.05)\n",
                Median(without) * 1e6, Median(with) * 1e6, ratio);
    return 0;
}
