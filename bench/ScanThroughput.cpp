// Throughput of the data-sector scan against dd reading the same source with
// O_DIRECT in 512 KiB blocks, on a mostly empty stand-in file and, as root, on a
// loop device over it. Run by hand:
//
//   bench_scan [FILE [MiB]]     (default /tmp/kolm_scan_bench.img, 1024 MiB)
//
// The source is zeros with runs of 0xFF and 0xE5 (empty sectors of other kinds)
// and a few hundred sectors of data, written out in full (no holes) and kept for
// the next run. Its lines go to no window, but each still costs the scan its two
// requests to the user-interface thread. dd and the scan take turns (TakeTurns:
// five rounds of dd, scan, scan, dd); the ratio of each round is dd's time over
// the scan's, and the median is shown with the peak memory. Last, the scan's work
// per chunk alone, timed over the first 16 MiB of the source already in memory:
// empty sectors are its worst case, as each is compared to its end.
#include "bench/BenchSupport.h"
#include "platform/framework/HeadlessBackend.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace bench;

constexpr int kRounds = 5;
constexpr double kGoal = 0.95;
constexpr double kInMemoryGoal = 10; // GB/s
struct Job {
    const char* name;
    int (DiskDevice::*start)(const JobParams&);
    double goal; // share of dd's throughput; 0 for a job shown only beside the scan
};

bool BenchSource(const std::string& source, long long bytes) {
    DiskDevice device;
    if (!device.OpenDevicePath(source.c_str())) {
        std::printf("%s: cannot be opened and locked\n", source.c_str());
        return false;
    }
    const Job jobs[] = {{"read test", &DiskDevice::StartReadTest, 0.0},
                        {"scan", &DiskDevice::StartDataScan, kGoal}};
    const std::string dd = DdRead(source);
    const double mib = static_cast<double>(bytes) / (1 << 20);
    std::printf("\n%s, %.0f MiB\n%-10s %10s %10s %7s %6s\n", source.c_str(), mib, "job", "dd MiB/s",
                "job MiB/s", "ratio", "goal");
    bool met = true;
    for (const Job& job : jobs) {
        const Turns turns = TakeTurns(
            kRounds, [&] { return ShellSeconds(dd); },
            [&] { return JobSeconds(device, job.start, ""); });
        const double ratio = Median(turns.ratios);
        std::printf("%-10s %10.0f %10.0f %7.2f %6.2f%s\n", job.name, mib / Median(turns.theirs),
                    mib / Median(turns.ours), ratio, job.goal,
                    ratio < job.goal ? "  BELOW GOAL" : "");
        met = met && ratio >= job.goal;
    }
    std::printf("the scan ended on the last sector: %s; peak memory so far %ld KiB\n",
                device.GetPosition() == device.GetLastLba() * 512 ? "yes" : "NO", PeakKiB());
    return met;
}

} // namespace

int main(int argc, char** argv) {
    const auto [path, bytes] = ReadArguments(argc, argv, "/tmp/kolm_scan_bench.img");
    framework::HeadlessBackend backend;
    MakeMostlyEmptySource(path, bytes);
    bool met =
        OnFileAndLoop(path, [&](const std::string& source) { return BenchSource(source, bytes); });
    DiskDevice device;
    const double rate =
        InMemoryGBps(SourceHead(path, 16 << 20), kChunkBytes, [&](const unsigned char* chunk) {
            device.AddDataSectorLines(chunk, kChunkBytes, 0, 512);
        });
    std::printf("\nscan in memory: %.1f GB/s (goal %.0f)%s\n", rate, kInMemoryGoal,
                rate < kInMemoryGoal ? "  BELOW GOAL" : "");
    met = met && rate >= kInMemoryGoal;
    return Verdict(met);
}
