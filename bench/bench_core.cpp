// Google Benchmark cases for the reader and the matching; throughput is in bytes of the file
// (parsing) or of all questions and answers in the store (matching), per second of the
// thread's processor time (the machine is shared; the wall time is printed beside it).
#include "BenchCases.h"
#include "KeepFreedMemory.h"

#include <benchmark/benchmark.h>

#include <functional>
#include <string>

namespace {

using namespace vorna::bench;

const std::size_t kSizes[] = {10000, 100000, 1000000};

// Registers one case; bytes and run are given the corpus of n entries.
void Add(const std::string& name, std::size_t n, std::function<std::size_t(const Corpus&)> bytes,
         std::function<std::size_t(const Corpus&)> run) {
    benchmark::RegisterBenchmark((name + "/" + std::to_string(n)).c_str(),
                                 [n, bytes, run](benchmark::State& state) {
                                     const Corpus& c = CorpusOf(n);
                                     std::size_t result = 0;
                                     for (auto _ : state)
                                         benchmark::DoNotOptimize(result = run(c));
                                     state.counters["result"] = static_cast<double>(result);
                                     state.SetBytesProcessed(state.iterations() *
                                                             static_cast<int64_t>(bytes(c)));
                                 })
        ->Unit(benchmark::kMillisecond);
}

void Register() {
    auto fileBytes = [](const Corpus& c) { return c.file.size(); };
    auto markerBytes = [](const Corpus& c) { return c.markers.size(); };
    auto storeBytes = [](const Corpus& c) { return c.storeBytes; };
    for (std::size_t n : kSizes) {
        Add("load_file", n, fileBytes, [](const Corpus& c) { return LoadFile(c.path); });
        Add("load_in_memory", n, fileBytes, [](const Corpus& c) { return LoadInMemory(c.file); });
        for (vorna::Encoding e : {vorna::Encoding::utf8, vorna::Encoding::utf16le}) {
            const std::string name = e == vorna::Encoding::utf8 ? "utf8" : "utf16";
            Add(
                "load_" + name + "_file", n,
                [e, n](const Corpus&) { return RecodedOf(n, e).bytes; },
                [e, n](const Corpus&) { return LoadFile(RecodedOf(n, e).path); });
        }
        Add("scan_spans_in_memory", n, fileBytes,
            [](const Corpus& c) { return ScanSpans(c.file); });
        Add("load_markers_only_file", n, markerBytes,
            [](const Corpus& c) { return LoadFile(c.markersPath); });
        Add("load_markers_only_in_memory", n, markerBytes,
            [](const Corpus& c) { return LoadInMemory(c.markers); });
        Add("old_reader_80_byte_reads", n, fileBytes,
            [](const Corpus& c) { return OldReaderThroughFile(c.path); });
        Add("read_and_count_markers", n, fileBytes,
            [](const Corpus& c) { return ReadAndCountMarkers(c.path); });
        for (const KeywordCase& k : KeywordCases()) {
            Add(std::string("search_") + k.name, n, storeBytes,
                [k](const Corpus& c) { return Search(c.store, k.keyword); });
            Add(std::string("keystroke_first_screen_") + k.name, n, storeBytes,
                [k](const Corpus& c) { return KeystrokeFirstScreen(c.store, k.keyword); });
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    KeepFreedMemory();
    Register();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
