// Throughput of sparse and compressed images against the tools people use for
// them, on a mostly empty stand-in file and, as root, on a loop device over it.
// Run by hand:
//
//   bench_image_formats [FILE [MiB]]     (default /tmp/kolm_format_bench.img, 1024 MiB)
//
// sparse creation: the job copies the source into a raw image, against
//                  dd if=SOURCE of=FILE iflag=direct conv=sparse bs=512K
// .zst creation:   the job copies it into a .img.zst, against
//                  dd if=SOURCE iflag=direct bs=512K | zstd -T0 -3 -o FILE
// restore:         the job writes an image of the source that xz, gzip, zstd or
//                  bzip2 compressed back onto it, against that decompressor piped
//                  into dd of=SOURCE oflag=direct,dsync bs=512K (iflag=fullblock,
//                  as a pipe hands dd short blocks that direct writes refuse)
// The images hold the source's own bytes, so the restores leave it as it was. The
// tool and the job take turns (TakeTurns: three rounds of tool, job, job, tool);
// the ratio of each round is the tool's time over the job's, and the medians are
// shown with the space the sparse images take.
#include "bench/BenchSupport.h"
#include "platform/framework/HeadlessBackend.h"

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace bench;

constexpr int kRounds = 3;
constexpr double kGoal = 0.95;

struct Transfer {
    std::string name;
    int (DiskDevice::*start)(const JobParams&);
    std::string image; // what the job writes or reads
    std::string tool;  // the same transfer by the peers
};

long long AllocatedKiB(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_blocks) / 2 : -1;
}

// The source compressed by each tool once, with the command that restores it.
std::vector<Transfer> Restores(const std::string& source, const std::string& base) {
    struct Format {
        const char* extension;
        const char* compress;
        const char* decompress;
    };
    const Format formats[] = {
        {"xz", "xz -T0 -c", "xz -dc -T0"},
        {"gz", "gzip -c", "gzip -dc"},
        {"zst", "zstd -T0 -q -c", "zstd -dc -q"},
        {"bz2", "bzip2 -c", "bzip2 -dc"},
    };
    const std::string dd = " | dd of=" + source +
                           " oflag=direct,dsync iflag=fullblock bs=512K conv=notrunc status=none";
    std::vector<Transfer> restores;
    for (const Format& format : formats) {
        const std::string image = base + ".img." + format.extension;
        if (AllocatedKiB(image) < 0)
            std::system((std::string(format.compress) + " " + source + " > " + image).c_str());
        restores.push_back({std::string("restore .") + format.extension,
                            &DiskDevice::StartImageRestore, image,
                            std::string(format.decompress) + " " + image + dd});
    }
    return restores;
}

bool BenchSource(const std::string& source, const std::string& base, long long bytes,
                 const framework::HeadlessBackend& backend) {
    DiskDevice device;
    if (!device.OpenDevicePath(source.c_str())) {
        std::printf("%s: cannot be opened and locked\n", source.c_str());
        return false;
    }
    const std::string sparse = base + ".sparse.img", zst = base + ".created.img.zst";
    std::vector<Transfer> transfers = {
        {"sparse creation", &DiskDevice::StartImageCreate, sparse,
         "dd if=" + source + " of=" + base +
             ".dd.img iflag=direct conv=sparse bs=512K status=none"},
        {".zst creation", &DiskDevice::StartImageCreate, zst,
         "dd if=" + source + " iflag=direct bs=512K status=none | zstd -T0 -3 -q -f -o " + base +
             ".dd.img.zst"},
    };
    for (Transfer& restore : Restores(source, base))
        transfers.push_back(restore);
    const double mib = static_cast<double>(bytes) / (1 << 20);
    bool met = true;
    std::printf("\n%s, %.0f MiB, mostly empty\n", source.c_str(), mib);
    std::printf("%-16s %10s %10s %7s %6s\n", "job", "tool MiB/s", "job MiB/s", "ratio", "goal");
    for (const Transfer& transfer : transfers) {
        const Turns turns = TakeTurns(
            kRounds, [&] { return ShellSeconds(transfer.tool); },
            [&] { return JobSeconds(device, transfer.start, transfer.image); });
        const double ratio = Median(turns.ratios);
        std::printf("%-16s %10.0f %10.0f %7.2f %6.2f%s\n", transfer.name.c_str(),
                    mib / Median(turns.theirs), mib / Median(turns.ours), ratio, kGoal,
                    ratio < kGoal ? "  BELOW GOAL" : "");
        met = met && ratio >= kGoal;
    }
    device.CloseDevice();
    const bool same = Output("cmp " + source + " " + sparse + " && zstd -dc -q " + zst +
                             " | cmp - " + source + " && echo same") == "same";
    std::printf("images %s the source; sparse image %lld KiB on disk, dd's %lld KiB; %zu message "
                "boxes; peak memory so far %ld KiB\n",
                same ? "equal" : "DIFFER FROM", AllocatedKiB(sparse),
                AllocatedKiB(base + ".dd.img"), backend.boxes.size(), PeakKiB());
    for (const std::string& made : {sparse, zst, base + ".dd.img", base + ".dd.img.zst"})
        std::remove(made.c_str());
    return met && same && backend.boxes.empty();
}

} // namespace

int main(int argc, char** argv) {
    const auto [path, bytes] = ReadArguments(argc, argv, "/tmp/kolm_format_bench.img");
    framework::HeadlessBackend backend; // a failed transfer's box is counted, not shown
    MakeMostlyEmptySource(path, bytes);
    const bool met = OnFileAndLoop(
        path, [&](const std::string& source) { return BenchSource(source, path, bytes, backend); });
    for (const char* extension : {"xz", "gz", "zst", "bz2"})
        std::remove((path + ".img." + extension).c_str());
    return Verdict(met);
}
