// Throughput of the read test and the pattern search against dd reading the same
// source with O_DIRECT in 512 KiB blocks, on a stand-in file of 1 GiB and, as root,
// on a loop device over it. Run by hand:
//
//   bench_jobs [FILE [MiB [JOB]]]     (default /tmp/kolm_bench.img, 1024 MiB)
//
// A JOB runs only the jobs whose names begin with it ("HEX", "Unicode ?").
//
// The file is filled with pseudo-random bytes once and kept for the next run. For
// each source and job, dd and the job take turns (TakeTurns: five rounds of dd,
// job, job, dd); each round's ratio compares the runs side by side, and the
// medians are shown, as the storage under a stand-in file swings by a third from
// one run to the next. Each search also shows its work per chunk alone,
// FindInSectors timed over chunks already in memory (16 MiB of the source), in
// GB/s: the search works on a chunk while the next ones are read, so this is the
// pace it could keep on a faster disk.
// The worst cases are patterns whose first character is common in the rendering.
// Last, for each source, which bytes a search read when it found a match and when
// it was stopped, and how long the stop waited: at most two chunks past the chunk
// where it stopped, and no longer than the two reads in flight (two chunk reads at
// the source's pace, and a millisecond for the threads).
#include "bench/BenchSupport.h"
#include "device/DiskDevice.h"
#include "platform/framework/HeadlessBackend.h"
#include "platform/framework/Messages.h"
#include "platform/framework/UiThread.h"
#include "platform/text/Cp932.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace bench;

constexpr int kRounds = 5;

struct Job {
    const char* name;
    int type; // a search type, or -1 for the read test
    const char* pattern;
    double inMemoryGoal; // GB/s of work per chunk, 0 for the read test
};

constexpr double kGoal = 0.95; // share of dd's throughput

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

// A pattern that begins with a kanji: its unit turns up in about one sector of 250
// of the random source, and those sectors are rendered.
const std::string kJapanese = Jp("漢字のないテキスト");

bool BenchSource(const std::string& source, long long bytes, const std::vector<unsigned char>& head,
                 const std::string& only) {
    DiskDevice device;
    if (!device.OpenDevicePath(source.c_str())) {
        std::printf("%s: cannot be opened and locked\n", source.c_str());
        return false;
    }
    const Job jobs[] = {
        {"read test", -1, "", 0},
        {"HEX 55AA", SEARCH_HEX, "55AA", 10},
        {"HEX(Header) JPEG", SEARCH_HEX_HEADER, "FFD8FFE000104A46494600", 10},
        {"ASCII", TEXT_ASCII, "KolmAbsent", 5},
        {"ASCII .", TEXT_ASCII, ".KolmAbsent", 5},
        {"SJIS", TEXT_SJIS, "KolmAbsent", 5},
        {"SJIS space", TEXT_SJIS, " KolmAbsent", 5},
        {"Unicode", TEXT_UNICODE, "KolmAbsent", 5},
        {"Unicode Japanese", TEXT_UNICODE, kJapanese.c_str(), 5},
        {"Unicode ?", TEXT_UNICODE, "?KolmAbsent", 5},
    };
    const double mib = static_cast<double>(bytes) / (1 << 20);
    bool met = true;
    std::printf("\n%s, %.0f MiB\n", source.c_str(), mib);
    std::printf("%-18s %10s %10s %7s %6s  %s\n", "job", "dd MiB/s", "job MiB/s", "ratio", "goal",
                "in memory GB/s (goal)");
    for (const Job& job : jobs) {
        if (!std::string(job.name).starts_with(only))
            continue;
        const Turns turns = TakeTurns(
            kRounds, [&] { return ShellSeconds(DdRead(source)); },
            [&] { return JobSeconds(device, job); });
        // A search that found something stopped early and measured nothing.
        if (job.type >= 0 && device.GetPosition() != device.GetLastLba() * 512)
            std::printf("  (%s matched at byte %lld)\n", job.name,
                        static_cast<long long>(device.GetPosition()));
        const double ratio = Median(turns.ratios);
        bool jobMet = ratio >= kGoal;
        std::string inMemory = "-";
        if (job.type >= 0) {
            // The rounds left the job's pattern and type in the device.
            const double rate = InMemoryGBps(head, kChunkBytes, [&](const unsigned char* chunk) {
                device.FindInSectors(job.type, chunk, kChunkBytes);
            });
            char text[64];
            std::snprintf(text, sizeof text, "%.1f (%.0f)", rate, job.inMemoryGoal);
            inMemory = text;
            jobMet = jobMet && rate >= job.inMemoryGoal;
        }
        std::printf("%-18s %10.0f %10.0f %7.2f %6.2f  %s%s\n", job.name, mib / Median(turns.theirs),
                    mib / Median(turns.ours), ratio, kGoal, inMemory.c_str(),
                    jobMet ? "" : "  BELOW GOAL");
        met = met && jobMet;
    }
    std::printf("peak memory so far: %ld KiB\n", PeakKiB());
    return met;
}

// Where a search stopped and how far it read: the bytes the process read during
// the job, from the first sector on, against the chunk in which it stopped. The
// count also holds the few bytes read of /proc/self/io to take it, less than a
// sector: only whole sectors are the source's.
bool ReadSpan(const char* what, LONGLONG stoppedAt, long long bytes, double stopMs,
              double chunkMs) {
    const long long read = bytes / 512 * 512;
    const LONGLONG chunkEnd = (stoppedAt / kChunkBytes + 1) * kChunkBytes;
    const double past = static_cast<double>(read - chunkEnd) / kChunkBytes;
    std::printf("%-7s stopped in sector %lld, read sectors 0 to %lld: %.1f chunks past its chunk",
                what, static_cast<long long>(stoppedAt / 512), read / 512 - 1, past);
    if (stopMs >= 0)
        std::printf("; the stop waited %.1f ms (a chunk read takes %.1f ms)", stopMs, chunkMs);
    std::printf("\n");
    return past <= 2.0 && (stopMs < 0 || stopMs <= 2 * chunkMs + 1);
}

// A HEX search for the bytes at 3/4 of the source, and one stopped a moment after
// its start.
bool BenchReadSpans(const std::string& source, long long bytes) {
    DiskDevice device;
    if (!device.OpenDevicePath(source.c_str()))
        return false;
    const long long target = bytes / 4 * 3 + 1000;
    std::ifstream in(source, std::ios::binary);
    in.seekg(target);
    CString pattern;
    for (int i = 0; i < 8; ++i)
        pattern.AppendFormat("%02X", in.get() & 0xFF);
    JobParams params;
    params.nSectorSize = 512;
    params.llFirstLba = 0;
    params.llLastLba = device.GetLastLba();
    params.strText = pattern;
    device.SetSearchType(SEARCH_HEX);
    long long before = BytesReadSoFar();
    auto start = Clock::now();
    device.StartSearch(params);
    framework::WaitServing([&] { return !device.IsWorkerRunning(); });
    const double chunkMs = 1000 * Seconds(start) / static_cast<double>(target / kChunkBytes + 1);
    bool met = device.GetPosition() == target / 512 * 512;
    met = ReadSpan("match", device.GetPosition(), BytesReadSoFar() - before, -1, 0) && met;
    params.strText = "FFFFFFFFFFFFFFFFFFFF";
    before = BytesReadSoFar();
    device.StartSearch(params);
    const auto started = Clock::now();
    framework::WaitServing([&] { return Seconds(started) > 0.2 || !device.IsWorkerRunning(); });
    auto stop = Clock::now();
    PostThreadMessageA(device.GetWorkerThreadId(), WM_JOB_ABORT, 0, 0);
    framework::WaitServing([&] { return !device.IsWorkerRunning(); });
    const double stopMs = 1000 * Seconds(stop);
    met = ReadSpan("STOP", device.GetPosition(), BytesReadSoFar() - before, stopMs, chunkMs) && met;
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
    const auto [path, bytes] = ReadArguments(argc, argv, "/tmp/kolm_bench.img");
    const std::string only = argc > 3 ? argv[3] : "";
    framework::HeadlessBackend backend; // answers the read test's summary box
    MakeSource(path, bytes);
    BenchMemory(path);
    const std::vector<unsigned char> head = SourceHead(path, 16 << 20);
    const bool met = OnFileAndLoop(path, [&](const std::string& source) {
        return BenchSource(source, bytes, head, only) & BenchReadSpans(source, bytes);
    });
    return Verdict(met);
}
