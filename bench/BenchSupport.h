#pragma once
// What the benchmarks share: timing, medians, peak memory, shell output and the
// source file they read.
#include "device/DiskDevice.h"
#include "platform/framework/UiThread.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

inline double Median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

inline long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A command's standard output without its last line end.
inline std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char block[256];
        while (std::fgets(block, sizeof block, pipe) != nullptr)
            text += block;
        pclose(pipe);
    }
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

// Bytes this process has read so far, by all its threads (rchar of /proc/self/io).
inline long long BytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return -1;
}

// Chunks of a source held in memory, for timing a job's work per chunk apart from
// its reads: the first bytes of the source, more than the processor's caches hold.
inline std::vector<unsigned char> SourceHead(const std::string& path, std::size_t bytes) {
    std::vector<unsigned char> head(bytes);
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(bytes));
    return head;
}

// GB/s of work over the chunks of head, each handed to work in turn until at
// least a GiB has been worked on.
inline double InMemoryGBps(const std::vector<unsigned char>& head, std::size_t chunk,
                           const std::function<void(const unsigned char*)>& work) {
    const long long goal = 1ll << 30;
    long long done = 0;
    auto start = Clock::now();
    while (done < goal)
        for (std::size_t at = 0; at + chunk <= head.size(); at += chunk, done += chunk)
            work(head.data() + at);
    return static_cast<double>(done) / Seconds(start) / 1e9;
}

// Times of a reference (dd or a tool) and of a job over the same rounds, and each
// round's ratio of the reference's time to the job's.
struct Turns {
    std::vector<double> theirs, ours, ratios;
};

// Each round runs the reference, the job, the job again and the reference again, and
// compares the sums: the storage under a stand-in file alternates between a fast and
// a slow pass over the same bytes, and in this order each side has one of each.
inline Turns TakeTurns(int rounds, const std::function<double()>& theirs,
                       const std::function<double()>& ours) {
    Turns turns;
    for (int round = 0; round < rounds; ++round) {
        const double first = theirs();
        const double ourFirst = ours();
        const double ourSecond = ours();
        const double second = theirs();
        turns.theirs.push_back((first + second) / 2);
        turns.ours.push_back((ourFirst + ourSecond) / 2);
        turns.ratios.push_back((first + second) / (ourFirst + ourSecond));
    }
    return turns;
}

// The jobs' chunk, and dd reading the source as the jobs do: O_DIRECT, a chunk at a time.
constexpr unsigned kChunkBytes = 512 * 1024;
inline std::string DdRead(const std::string& source) {
    return "dd if=" + source + " of=/dev/null iflag=direct bs=512K status=none";
}

inline double ShellSeconds(const std::string& command) {
    auto start = Clock::now();
    std::system(command.c_str());
    return Seconds(start);
}

// One job over the whole device, from its start until its worker has gone.
inline double JobSeconds(DiskDevice& device, int (DiskDevice::*start)(const JobParams&),
                         const std::string& text) {
    JobParams params;
    params.nSectorSize = device.GetBytesPerSector();
    params.llFirstLba = 0;
    params.llLastLba = device.GetLastLba();
    params.strText = text.c_str();
    auto begun = Clock::now();
    (device.*start)(params);
    framework::WaitServing([&] { return !device.IsWorkerRunning(); });
    return Seconds(begun);
}

// Runs a benchmark on the source file and, as root, on a loop device over it;
// true when both met their goals.
inline bool OnFileAndLoop(const std::string& path,
                          const std::function<bool(const std::string&)>& bench) {
    bool met = bench(path);
    if (Output("id -u") != "0") {
        std::printf("\nnot root: no loop device\n");
        return met;
    }
    const std::string loop = Output("losetup -f --show " + path + " 2>/dev/null");
    if (loop.empty()) {
        std::printf("\nno loop device could be attached\n");
        return met;
    }
    met = bench(loop) && met;
    std::system(("losetup -d " + loop).c_str());
    return met;
}

// Pseudo-random bytes without 0xAA: the hex pattern 55AA is never found, though its
// first byte turns up every 256 bytes or so, and the renderings see every kind of byte.
// A file of the right size is kept from an earlier run.
inline void MakeSource(const std::string& path, long long bytes) {
    std::ifstream existing(path, std::ios::binary | std::ios::ate);
    if (existing && existing.tellg() == bytes)
        return;
    std::printf("writing %s (%lld MiB)\n", path.c_str(), bytes >> 20);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<unsigned long long> block(1 << 17);
    unsigned long long state = 0x9E3779B97F4A7C15ull;
    for (long long done = 0; done < bytes; done += 8 * static_cast<long long>(block.size())) {
        for (auto& word : block) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            word = state;
            for (int shift = 0; shift < 64; shift += 8)
                if (((word >> shift) & 0xFF) == 0xAA)
                    word ^= 1ull << shift;
        }
        out.write(reinterpret_cast<const char*>(block.data()),
                  static_cast<std::streamsize>(8 * block.size()));
    }
}

// Zeros with runs of 0xFF and 0xE5 (empty sectors of other kinds) and a few
// hundred sectors of data, written out in full (no holes); a file of the right
// size is kept from an earlier run.
inline void MakeMostlyEmptySource(const std::string& path, long long bytes) {
    constexpr int kDataSectors = 300;
    std::ifstream existing(path, std::ios::binary | std::ios::ate);
    if (existing && existing.tellg() == bytes)
        return;
    std::printf("writing %s (%lld MiB)\n", path.c_str(), bytes >> 20);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const long long block = 1 << 20;
    const long long dataEvery = bytes / kDataSectors;
    std::vector<char> chunk(static_cast<std::size_t>(block));
    for (long long done = 0; done < bytes; done += block) {
        const char fill = (done / block) % 7 == 3 ? '\xFF' : (done / block) % 11 == 5 ? '\xE5' : 0;
        std::fill(chunk.begin(), chunk.end(), fill);
        for (long long at = (done + dataEvery - 1) / dataEvery * dataEvery; at < done + block;
             at += dataEvery)
            chunk[static_cast<std::size_t>(at - done + 100)] = 'K';
        out.write(chunk.data(), static_cast<std::streamsize>(block));
    }
}

// What every benchmark takes from its command line: the file (or folder) it works
// in, then its size in MiB.
struct Arguments {
    std::string path;
    long long bytes;
};

inline Arguments ReadArguments(int argc, char** argv, const char* defaultPath) {
    return {argc > 1 ? argv[1] : defaultPath, (argc > 2 ? std::atoll(argv[2]) : 1024) << 20};
}

// The last line a benchmark prints, and its exit status.
inline int Verdict(bool met) {
    std::printf("\n%s\n", met ? "all goals met" : "some goals not met");
    return met ? 0 : 1;
}

} // namespace bench
