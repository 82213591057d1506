// The restore's read-back against dd reading the same range, and the digests in
// memory. Run by hand:
//
//   bench_restore_check [FILE [MiB]]     (default /tmp/kolm_bench.img, 1024 MiB)
//
// check:  the read-back of a restore of the source's own bytes onto itself, timed
//         from the moment its position falls back to the first sector, against
//         dd if=SOURCE of=/dev/null iflag=direct bs=512K
// digest: the per-chunk digest over chunks in memory, goal 10 GB/s; SHA-256 of
//         the checksum files beside it, for the figure only.
#include "bench/BenchSupport.h"
#include "platform/digest/Digest.h"
#include "platform/framework/HeadlessBackend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

using namespace bench;

constexpr int kRounds = 3;
constexpr double kGoal = 0.95;
constexpr double kDigestGoal = 10;

// Seconds from the check's first chunk to the job's end: the writes leave the
// position on the last sector, and the check begins again at 0.
double CheckSeconds(DiskDevice& device, const std::string& image) {
    JobParams params;
    params.nSectorSize = device.GetBytesPerSector();
    params.llFirstLba = 0;
    params.llLastLba = device.GetLastLba();
    params.strText = image.c_str();
    device.StartImageRestore(params);
    LONGLONG highest = 0;
    Clock::time_point checking{};
    while (device.IsWorkerRunning()) {
        const LONGLONG position = device.GetPosition();
        if (checking == Clock::time_point{} && position < highest)
            checking = Clock::now();
        highest = std::max(highest, position);
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return Seconds(checking);
}

bool BenchSource(const std::string& source, const std::string& image, long long bytes,
                 const framework::HeadlessBackend& backend) {
    DiskDevice device;
    if (!device.OpenDevicePath(source.c_str())) {
        std::printf("%s: cannot be opened and locked\n", source.c_str());
        return false;
    }
    const double mib = static_cast<double>(bytes) / (1 << 20);
    const Turns turns = TakeTurns(
        kRounds, [&] { return ShellSeconds(DdRead(source)); },
        [&] { return CheckSeconds(device, image); });
    device.CloseDevice();
    const double ratio = Median(turns.ratios);
    std::printf("\n%s, %.0f MiB\n%-10s %10s %10s %7s %6s\n", source.c_str(), mib, "job", "dd MiB/s",
                "job MiB/s", "ratio", "goal");
    std::printf("%-10s %10.0f %10.0f %7.2f %6.2f%s\n", "check", mib / Median(turns.theirs),
                mib / Median(turns.ours), ratio, kGoal, ratio < kGoal ? "  BELOW GOAL" : "");
    std::printf("%zu message boxes; peak memory so far %ld KiB\n", backend.boxes.size(), PeakKiB());
    return ratio >= kGoal && backend.boxes.empty();
}

bool BenchDigests(const std::string& path) {
    const std::vector<unsigned char> head = SourceHead(path, 64 << 20);
    const double xxh3 = InMemoryGBps(head, kChunkBytes, [](const unsigned char* chunk) {
        volatile auto digest = digest::DigestChunk(chunk, kChunkBytes).low;
        (void)digest;
    });
    digest::Sha256 sha256;
    const double sha = InMemoryGBps(head, kChunkBytes, [&sha256](const unsigned char* chunk) {
        sha256.Add(chunk, kChunkBytes);
    });
    std::printf("\nin memory: chunk digest %.1f GB/s (goal %.0f)%s, SHA-256 %.2f GB/s\n", xxh3,
                kDigestGoal, xxh3 < kDigestGoal ? "  BELOW GOAL" : "", sha);
    return xxh3 >= kDigestGoal;
}

} // namespace

int main(int argc, char** argv) {
    const auto [path, bytes] = ReadArguments(argc, argv, "/tmp/kolm_bench.img");
    const std::string image = path + ".image";
    framework::HeadlessBackend backend; // a failed transfer's box is counted, not shown
    MakeSource(path, bytes);
    std::system(("cp " + path + " " + image).c_str());
    bool met = BenchDigests(path);
    met = OnFileAndLoop(path,
                        [&](const std::string& source) {
                            return BenchSource(source, image, bytes, backend);
                        }) &&
          met;
    std::remove(image.c_str());
    return Verdict(met);
}
