// A rescue against GNU ddrescue on a disk with bad sectors: a loop device over a
// file of the tests' FUSE file system (tests/support/FaultyFileSystem), which fails
// the reads of a hundred single sectors scattered over the disk and of a dead
// region of 8 MiB. Needs root and FUSE. Run by hand:
//
//   bench_rescue [FOLDER [MiB]]     (default /tmp/kolm_rescue, 1024 MiB)
//
// Kolm: image creation answered "Yes" after its first read error, to the end of
// its passes; ddrescue: ddrescue -d -r0 on the same device into a new image and
// map. Each takes three turns; the ratio is ddrescue's median time over Kolm's,
// and both must find the same bad sectors (ddrescuelog --list-blocks).
#include "bench/BenchSupport.h"
#include "platform/framework/HeadlessBackend.h"
#include "tests/support/FaultyFileSystem.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace bench;

constexpr int kRounds = 3;
constexpr double kGoal = 0.95;
constexpr long long kSector = 512;
constexpr long long kDeadRegion = 8 << 20;

// Single bad sectors spread evenly, and the dead region in the middle.
void FailSectors(FaultyFileSystem& faults, long long bytes) {
    for (int i = 1; i <= 100; ++i)
        faults.FailReads("disk.img", bytes / 101 * i / kSector * kSector + 3 * kSector);
    for (long long at = bytes / 2 + kSector; at < bytes / 2 + kSector + kDeadRegion; at += kSector)
        faults.FailReads("disk.img", at);
}

double KolmSeconds(DiskDevice& device, framework::HeadlessBackend& backend,
                   const std::string& image) {
    std::remove(image.c_str());
    std::remove((image + ".map").c_str());
    backend.boxAnswers = {IDOK, IDYES, IDOK};
    return JobSeconds(device, &DiskDevice::StartImageCreate, image);
}

double DdrescueSeconds(const std::string& loop, const std::string& image) {
    std::remove(image.c_str());
    std::remove((image + ".map").c_str());
    return ShellSeconds("ddrescue -q -d -r0 " + loop + " " + image + " " + image + ".map");
}

std::string BadSectors(const std::string& map) {
    return Output("ddrescuelog -b512 --list-blocks=- " + map);
}

} // namespace

int main(int argc, char** argv) {
    const auto [folder, bytes] = ReadArguments(argc, argv, "/tmp/kolm_rescue");
    std::system(("mkdir -p " + folder + "/store " + folder + "/mnt").c_str());
    MakeSource(folder + "/store/disk.img", bytes);
    std::string why;
    auto faults = FaultyFileSystem::Mount(folder + "/store", folder + "/mnt", why);
    if (!faults) {
        std::printf("%s\n", why.c_str());
        return 1;
    }
    FailSectors(*faults, bytes);
    const std::string loop = Output("losetup -f --show " + folder + "/mnt/disk.img 2>/dev/null");
    if (loop.empty()) {
        std::printf("no loop device could be attached\n");
        return 1;
    }
    framework::HeadlessBackend backend; // the boxes are answered, not shown
    DiskDevice device;
    bool met = false;
    if (device.OpenDevicePath(loop.c_str())) {
        const std::string ours = folder + "/kolm.img", theirs = folder + "/ddrescue.img";
        const Turns turns = TakeTurns(
            kRounds, [&] { return DdrescueSeconds(loop, theirs); },
            [&] { return KolmSeconds(device, backend, ours); });
        device.CloseDevice();
        const double ratio = Median(turns.ratios);
        const std::string bad = BadSectors(ours + ".map");
        const bool same = !bad.empty() && bad == BadSectors(theirs + ".map");
        std::printf("%s, %lld MiB, 100 bad sectors and a dead region of 8 MiB\n", loop.c_str(),
                    bytes >> 20);
        std::printf("ddrescue %.2f s, Kolm %.2f s, ratio %.2f (goal %.2f)%s\n",
                    Median(turns.theirs), Median(turns.ours), ratio, kGoal,
                    ratio < kGoal ? "  BELOW GOAL" : "");
        std::printf("bad sectors %s; peak memory %ld KiB\n", same ? "the same" : "DIFFER",
                    PeakKiB());
        met = same && ratio >= kGoal;
    }
    std::system(("losetup -d " + loop).c_str());
    return Verdict(met);
}
