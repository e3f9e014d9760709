// Start-up of the real Vorna.exe with a big super.vendu beside the least any load does: each
// round reads the same file in 1 MB pieces and counts its question markers (in this process,
// the file in the page cache), then starts the program in a folder holding the file and times
// it from CreateProcessW until the count caption shows the entries, and reads its peak
// working set (GetProcessMemoryInfo); then the same start in an empty folder, for what a
// start costs without a file.
//
//   vorna_startup_bench FILE [rounds]      (default 5 rounds)
#include "BenchCases.h"
#include "Driver.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace vorna::e2e;

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Start {
    double ms = 0;
    double peakMB = 0;
};

// Starts the program in folder and waits until its window shows with the count caption
// (the load runs before the window is shown); then closes it as a user would.
Start TimeStart(const std::wstring& folder, const std::string& caption) {
    VornaProcess app(folder);
    app.WaitForMainWindow(120000);
    if (!WaitUntil([&] { return app.CountCaption() == caption; }, 120000, 1))
        throw DriverError("the count caption shows " + app.CountCaption());
    Start start;
    start.ms = NowMs() - app.StartedAtMs();
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(app.Handle(), &counters, sizeof counters))
        throw DriverError("GetProcessMemoryInfo failed");
    start.peakMB = static_cast<double>(counters.PeakWorkingSetSize) / 1e6;
    Post(app.Main(), WM_CLOSE);
    if (!app.WaitForExit(30000))
        throw DriverError("the program did not end on WM_CLOSE");
    return start;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: vorna_startup_bench FILE [rounds]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    try {
        TempFolder withFile, empty;
        const std::string bytes = ReadFileBytes(Wide(argv[1]));
        const std::wstring notes = withFile.Write(L"super.vendu", bytes);
        const std::string path = Utf8(notes);
        const std::size_t entries = vorna::bench::ReadAndCountMarkers(path);
        const std::string caption = "搜索：" + std::to_string(entries) + "条结果";
        const double fileMB = static_cast<double>(bytes.size()) / 1e6;

        std::vector<double> read, start, startEmpty, peak, peakEmpty;
        for (int r = 0; r < rounds; ++r) {
            const double begin = NowMs();
            if (vorna::bench::ReadAndCountMarkers(path) != entries)
                throw DriverError("the count of markers changed");
            read.push_back(NowMs() - begin);
            const Start loaded = TimeStart(withFile.Path(), caption);
            start.push_back(loaded.ms);
            peak.push_back(loaded.peakMB);
            const Start bare = TimeStart(empty.Path(), "搜索");
            startEmpty.push_back(bare.ms);
            peakEmpty.push_back(bare.peakMB);
            std::printf("round %d: read and count %.1f ms, start-up %.1f ms (peak %.1f MB), "
                        "without a file %.1f ms (peak %.1f MB)\n",
                        r + 1, read.back(), loaded.ms, loaded.peakMB, bare.ms, bare.peakMB);
            std::fflush(stdout);
        }
        const double readMs = Median(read), startMs = Median(start);
        const double emptyMs = Median(startEmpty), peakMB = Median(peak);
        std::printf("\nentry file: %zu entries, %zu bytes; medians of %d rounds\n", entries,
                    bytes.size(), rounds);
        std::printf("| what | median |\n|---|---:|\n");
        std::printf("| read the file in 1 MB pieces and count its markers | %.1f ms |\n", readMs);
        std::printf("| start-up to the count caption | %.1f ms |\n", startMs);
        std::printf("| start-up without a file (window shown) | %.1f ms |\n", emptyMs);
        std::printf("| start-up / read and count | %.2f |\n", startMs / readMs);
        std::printf("| (start-up - start-up without a file) / read and count | %.2f |\n",
                    (startMs - emptyMs) / readMs);
        std::printf("| peak working set with the file loaded | %.1f MB |\n", peakMB);
        std::printf("| peak working set / file size | %.3f |\n", peakMB / fileMB);
        std::printf("| peak working set without a file | %.1f MB |\n", Median(peakEmpty));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "benchmark failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
