// Throughput of the read test and the pattern search against dd reading the same
// source with O_DIRECT in 512 KiB blocks, on a stand-in file of 1 GiB and, as root,
// on a loop device over it. Run by hand:
//
//   bench_jobs [FILE [MiB]]     (default /tmp/kolm_bench.img, 1024 MiB)
//
// The file is filled with pseudo-random bytes once and kept for the next run. For
// each source and job, dd and the job take turns for seven rounds; each round's
// ratio compares the two runs side by side, and the medians are shown, as the
// storage under a stand-in file swings by a third from one run to the next. The text searches also
// say how much of their time is matching (rendering and the substring search) by timing
// FindInSectors over chunks already in memory; the search matches a chunk while the next ones are
// read, so a share near 100% means matching sets the pace.
#include "bench/BenchSupport.h"
#include "device/DiskDevice.h"
#include "platform/framework/HeadlessBackend.h"
#include "platform/framework/UiThread.h"
#include "platform/text/Cp932.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace bench;

constexpr int kRounds = 7;
constexpr DWORD kChunkBytes = 512 * 1024;

double DdSeconds(const std::string& source) {
    auto start = Clock::now();
    std::system(("dd if=" + source + " of=/dev/null iflag=direct bs=512K status=none").c_str());
    return Seconds(start);
}

struct Job {
    const char* name;
    int type; // a search type, or -1 for the read test
    const char* pattern;
    double goal; // share of dd's throughput
};

double JobSeconds(DiskDevice& device, const Job& job) {
    JobParams params;
    params.nSectorSize = device.GetBytesPerSector();
    params.llFirstLba = 0;
    params.llLastLba = device.GetLastLba();
    params.strText = job.pattern;
    auto start = Clock::now();
    if (job.type < 0) {
        device.StartReadTest(params);
    } else {
        device.SetSearchType(job.type);
        device.StartSearch(params);
    }
    framework::WaitServing([&] { return !device.IsWorkerRunning(); });
    return Seconds(start);
}

// Matching alone, over chunks in memory: the part of a text search that is not I/O.
double MatchSeconds(DiskDevice& device, const Job& job, long long bytes) {
    std::vector<BYTE> chunk(kChunkBytes);
    std::FILE* file = std::fopen("/dev/urandom", "rb");
    if (file != nullptr) {
        std::fread(chunk.data(), 1, chunk.size(), file);
        std::fclose(file);
    }
    auto start = Clock::now();
    for (long long done = 0; done < bytes; done += kChunkBytes)
        device.FindInSectors(job.type, chunk.data(), kChunkBytes);
    return Seconds(start);
}

// A pattern that begins with a kanji: its unit turns up in about one sector of 250
// of the random source, and those sectors are rendered.
const std::string kJapanese = Jp("漢字のないテキスト");

bool BenchSource(const std::string& source, long long bytes) {
    DiskDevice device;
    if (!device.OpenDevicePath(source.c_str())) {
        std::printf("%s: cannot be opened and locked\n", source.c_str());
        return false;
    }
    const Job jobs[] = {
        {"read test", -1, "", 0.9},
        {"HEX 55AA", SEARCH_HEX, "55AA", 0.9},
        {"HEX(Header) JPEG", SEARCH_HEX_HEADER, "FFD8FFE000104A46494600", 0.9},
        {"ASCII", TEXT_ASCII, "KolmAbsent", 0.5},
        {"SJIS", TEXT_SJIS, "KolmAbsent", 0.5},
        {"Unicode", TEXT_UNICODE, "KolmAbsent", 0.5},
        {"Unicode Japanese", TEXT_UNICODE, kJapanese.c_str(), 0.5},
        // Most units render as "?", so every sector is rendered and its text is
        // full of the first byte: the worst case, shown without a goal.
        {"Unicode ?", TEXT_UNICODE, "?KolmAbsent", 0.0},
    };
    const double mib = static_cast<double>(bytes) / (1 << 20);
    bool met = true;
    std::printf("\n%s, %.0f MiB\n", source.c_str(), mib);
    std::printf("%-18s %10s %10s %7s %6s  %s\n", "job", "dd MiB/s", "job MiB/s", "ratio", "goal",
                "matching share");
    for (const Job& job : jobs) {
        std::vector<double> dds, ourss, ratios;
        for (int round = 0; round < kRounds; ++round) {
            dds.push_back(DdSeconds(source));
            ourss.push_back(JobSeconds(device, job));
            ratios.push_back(dds.back() / ourss.back());
        }
        const double dd = Median(dds);
        const double ours = Median(ourss);
        // A search that found something stopped early and measured nothing.
        if (job.type >= 0 && device.GetPosition() != device.GetLastLba() * 512)
            std::printf("  (%s matched at byte %lld)\n", job.name,
                        static_cast<long long>(device.GetPosition()));
        const double ratio = Median(ratios);
        std::string share = "-";
        if (job.type == TEXT_ASCII || job.type == TEXT_SJIS || job.type == TEXT_UNICODE) {
            const double matching = MatchSeconds(device, job, bytes);
            char text[64];
            std::snprintf(text, sizeof text, "%.2f s of %.2f s (%.0f%%)", matching, ours,
                          100.0 * matching / ours);
            share = text;
        }
        std::printf("%-18s %10.0f %10.0f %7.2f %6.2f  %s%s\n", job.name, mib / dd, mib / ours,
                    ratio, job.goal, share.c_str(), ratio < job.goal ? "  BELOW GOAL" : "");
        met = met && ratio >= job.goal;
    }
    std::printf("peak memory so far: %ld KiB\n", PeakKiB());
    return met;
}

// A short range first and the whole source after: the peak must not follow the size.
void BenchMemory(const std::string& source) {
    DiskDevice device;
    if (!device.OpenDevicePath(source.c_str()))
        return;
    JobParams params;
    params.nSectorSize = device.GetBytesPerSector();
    params.llFirstLba = device.GetLastLba() - 2047;
    params.llLastLba = device.GetLastLba();
    params.strText = "KolmAbsent";
    device.SetSearchType(TEXT_UNICODE);
    device.StartSearch(params);
    framework::WaitServing([&] { return !device.IsWorkerRunning(); });
    const long small = PeakKiB();
    params.llFirstLba = 0;
    device.StartSearch(params);
    framework::WaitServing([&] { return !device.IsWorkerRunning(); });
    std::printf("peak memory: %ld KiB after 1 MiB searched, %ld KiB after the whole source\n",
                small, PeakKiB());
}

} // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "/tmp/kolm_bench.img";
    const long long bytes = (argc > 2 ? std::atoll(argv[2]) : 1024) << 20;
    framework::HeadlessBackend backend; // answers the read test's summary box
    MakeSource(path, bytes);
    BenchMemory(path);
    const bool met =
        OnFileAndLoop(path, [&](const std::string& source) { return BenchSource(source, bytes); });
    std::printf("\n%s\n", met ? "all goals met" : "some goals not met");
    return met ? 0 : 1;
}
