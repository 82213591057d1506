// Throughput of image creation and restore against dd doing the same transfers,
// on a stand-in file of 1 GiB and, as root, on a loop device over it. Run by hand:
//
//   bench_images [FILE [MiB]]     (default /tmp/kolm_bench.img, 1024 MiB)
//
// creation: the job copies the source into an image file beside it, makes its
//           checksum file and reads the image back, against
//           dd if=SOURCE iflag=direct bs=512K | tee FILE | sha256sum, then
//           dd if=FILE of=/dev/null iflag=direct bs=512K
// restore:  the job writes that image back onto the source and reads it back, against
//           dd if=FILE of=SOURCE oflag=direct,dsync bs=512K conv=notrunc, then
//           dd if=SOURCE of=/dev/null iflag=direct bs=512K
// The image holds the source's own bytes, so the restores leave the source as it
// was; its checksum file, checked with sha256sum -c, is removed before the
// restores, which would otherwise check the image against it first. dd and the job take turns
// (TakeTurns: three rounds of dd, job, job, dd); the ratio of each round is dd's time over the
// job's, and the medians are shown.
#include "bench/BenchSupport.h"
#include "platform/framework/HeadlessBackend.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace bench;

constexpr int kRounds = 3;
constexpr double kGoal = 0.95;

struct Transfer {
    const char* name;
    int (DiskDevice::*start)(const JobParams&);
    std::string dd;
};

// The created image's checksum file is what sha256sum -c accepts in its folder;
// it is removed.
bool TakeChecksum(const std::string& image) {
    const std::size_t slash = image.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : image.substr(0, slash);
    const bool accepted =
        Output("cd " + folder + " && sha256sum --quiet -c " + image.substr(slash + 1) +
               ".sha256 && echo accepted") == "accepted";
    std::printf("checksum file %s by sha256sum -c\n", accepted ? "accepted" : "NOT ACCEPTED");
    std::remove((image + ".sha256").c_str());
    return accepted;
}

bool BenchSource(const std::string& source, const std::string& image, long long bytes,
                 const framework::HeadlessBackend& backend) {
    DiskDevice device;
    if (!device.OpenDevicePath(source.c_str())) {
        std::printf("%s: cannot be opened and locked\n", source.c_str());
        return false;
    }
    const std::string ddImage = image + ".dd";
    const Transfer transfers[] = {
        {"creation", &DiskDevice::StartImageCreate,
         "dd if=" + source + " iflag=direct bs=512K status=none | tee " + ddImage +
             " | sha256sum > /dev/null && " + DdRead(ddImage)},
        {"restore", &DiskDevice::StartImageRestore,
         "dd if=" + image + " of=" + source +
             " oflag=direct,dsync bs=512K conv=notrunc status=none && " + DdRead(source)},
    };
    const double mib = static_cast<double>(bytes) / (1 << 20);
    bool met = true;
    std::printf("\n%s, %.0f MiB\n", source.c_str(), mib);
    std::printf("%-10s %10s %10s %7s %6s\n", "job", "dd MiB/s", "job MiB/s", "ratio", "goal");
    for (const Transfer& transfer : transfers) {
        const Turns turns = TakeTurns(
            kRounds, [&] { return ShellSeconds(transfer.dd); },
            [&] { return JobSeconds(device, transfer.start, image); });
        const double ratio = Median(turns.ratios);
        std::printf("%-10s %10.0f %10.0f %7.2f %6.2f%s\n", transfer.name,
                    mib / Median(turns.theirs), mib / Median(turns.ours), ratio, kGoal,
                    ratio < kGoal ? "  BELOW GOAL" : "");
        met = met && ratio >= kGoal;
        if (transfer.start == &DiskDevice::StartImageCreate)
            met = TakeChecksum(image) && met;
    }
    device.CloseDevice();
    // Both copies must be the source, byte for byte.
    const bool same = Output("cmp " + source + " " + image + " && cmp " + source + " " + ddImage +
                             " && echo same") == "same";
    std::printf("image %s the source; %zu message boxes; peak memory so far %ld KiB\n",
                same ? "equals" : "DIFFERS FROM", backend.boxes.size(), PeakKiB());
    std::remove(ddImage.c_str());
    return met && same && backend.boxes.empty();
}

} // namespace

int main(int argc, char** argv) {
    const auto [path, bytes] = ReadArguments(argc, argv, "/tmp/kolm_bench.img");
    const std::string image = path + ".image";
    framework::HeadlessBackend backend; // a failed transfer's box is counted, not shown
    MakeSource(path, bytes);
    const bool met = OnFileAndLoop(path, [&](const std::string& source) {
        return BenchSource(source, image, bytes, backend);
    });
    std::remove(image.c_str());
    return Verdict(met);
}
