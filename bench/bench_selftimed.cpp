// The benchmark cases timed by hand, for builds without Google Benchmark (the Windows build,
// run under Wine). Each case runs once on its own (the first run, which also pays for memory
// the process touches for the first time), then repeats until it has run for at least half a
// second and at least three times. Throughputs are in MB/s (10^6 bytes/s), by the wall clock
// and by the thread's processor time.
//
//   bench_selftimed [entries...]        run every case for each entry count
//   bench_selftimed --write N PATH [LONGEST]   write the generated file of N entries to PATH,
//                                              answers of at most LONGEST bytes
#include "BenchCases.h"
#include "EntryGenerator.h"
#include "KeepFreedMemory.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using namespace vorna::bench;
using Clock = std::chrono::steady_clock;

volatile std::size_t g_sink;

// Processor time of this thread, user and kernel, in seconds: on a machine shared with other
// work it tells the code's own cost, where the wall clock also counts the waiting.
double ThreadSeconds() {
#ifdef _WIN32
    FILETIME creation, exit, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user))
        return 0;
    auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) * 1e-7;
#else
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
#endif
}

void Measure(const std::string& name, std::size_t entries, std::size_t bytes,
             const std::function<std::size_t()>& run) {
    const Clock::time_point first = Clock::now();
    g_sink = run();
    const double firstSeconds = std::chrono::duration<double>(Clock::now() - first).count();
    int runs = 0;
    std::size_t result = 0;
    const Clock::time_point start = Clock::now();
    const double cpuStart = ThreadSeconds();
    double seconds = 0;
    do {
        result = run();
        ++runs;
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    } while (seconds < 0.5 || runs < 3);
    const double cpuSeconds = ThreadSeconds() - cpuStart;
    g_sink = result;
    const double total = static_cast<double>(bytes) * runs;
    std::printf("%-34s %8zu %10.1f MB/s %10.1f MB/s %9.2f ms %10.1f MB/s  %zu\n", name.c_str(),
                entries, total / seconds / 1e6, cpuSeconds > 0 ? total / cpuSeconds / 1e6 : 0.0,
                seconds * 1e3 / runs, static_cast<double>(bytes) / firstSeconds / 1e6, result);
    std::fflush(stdout);
}

int WriteFile(std::size_t entries, const char* path, std::size_t longestAnswer) {
    const std::string file = GenerateEntryFile(entries, longestAnswer);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    return out ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::puts("bench_selftimed [entries...] | --write N PATH [LONGEST]");
        return 0;
    }
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--write") == 0)
        return WriteFile(std::strtoull(argv[2], nullptr, 10), argv[3],
                         argc == 5 ? std::strtoull(argv[4], nullptr, 10) : kLongestAnswer);
    std::vector<std::size_t> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::strtoull(argv[i], nullptr, 10));
    if (sizes.empty())
        sizes = {10000, 100000, 1000000};
    KeepFreedMemory();
    std::printf("%-34s %8s %15s %15s %12s %15s  %s\n", "case", "entries", "wall clock",
                "thread cpu", "per run", "first run", "entries or matches");
    for (std::size_t n : sizes) {
        const Corpus& c = CorpusOf(n);
        std::printf("-- %zu entries: file %zu bytes, store %zu bytes\n", n, c.file.size(),
                    c.storeBytes);
        Measure("load_file", n, c.file.size(), [&] { return LoadFile(c.path); });
        Measure("load_in_memory", n, c.file.size(), [&] { return LoadInMemory(c.file); });
        for (vorna::Encoding e : {vorna::Encoding::utf8, vorna::Encoding::utf16le}) {
            const RecodedFile& recoded = RecodedOf(n, e);
            Measure(e == vorna::Encoding::utf8 ? "load_utf8_file" : "load_utf16_file", n,
                    recoded.bytes, [&] { return LoadFile(recoded.path); });
        }
        Measure("scan_spans_in_memory", n, c.file.size(), [&] { return ScanSpans(c.file); });
        Measure("load_markers_only_file", n, c.markers.size(),
                [&] { return LoadFile(c.markersPath); });
        Measure("load_markers_only_in_memory", n, c.markers.size(),
                [&] { return LoadInMemory(c.markers); });
        Measure("old_reader_80_byte_reads", n, c.file.size(),
                [&] { return OldReaderThroughFile(c.path); });
        Measure("read_and_count_markers", n, c.file.size(),
                [&] { return ReadAndCountMarkers(c.path); });
        for (const KeywordCase& k : KeywordCases()) {
            Measure(std::string("search_") + k.name, n, c.storeBytes,
                    [&] { return Search(c.store, k.keyword); });
            Measure(std::string("keystroke_first_screen_") + k.name, n, c.storeBytes,
                    [&] { return KeystrokeFirstScreen(c.store, k.keyword); });
        }
    }
    return 0;
}
