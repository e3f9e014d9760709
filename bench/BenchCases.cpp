#include "BenchCases.h"

#include "EntryGenerator.h"
#include "io/File.h"
#include "knowledge/EntryReader.h"
#include "knowledge/EntrySpans.h"
#include "knowledge/Search.h"
#include "tests/knowledge/ReferenceReader.h"
#include "text/ByteFinder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

namespace vorna::bench {

namespace {

std::string WriteTemp(const std::string& name, const std::string& bytes) {
    std::filesystem::path path = std::filesystem::temp_directory_path() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.u8string().c_str());
        std::exit(1);
    }
    return path.u8string();
}

[[noreturn]] void CannotRead(const std::string& path) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    std::exit(1);
}

} // namespace

const Corpus& CorpusOf(std::size_t entries) {
    static std::map<std::size_t, std::unique_ptr<Corpus>> cache;
    std::unique_ptr<Corpus>& slot = cache[entries];
    if (!slot) {
        auto c = std::make_unique<Corpus>();
        const std::string tag = std::to_string(entries);
        c->file = GenerateEntryFile(entries);
        c->path = WriteTemp("vorna-bench-" + tag + ".vendu", c->file);
        c->markers = MarkerHeavyFile(c->file.size());
        c->markersPath = WriteTemp("vorna-bench-markers-" + tag + ".vendu", c->markers);
        if (!LoadEntryFile(c->path, c->store).Ok())
            CannotRead(c->path);
        c->storeBytes = c->store.AllTexts().size();
        slot = std::move(c);
    }
    return *slot;
}

const RecodedFile& RecodedOf(std::size_t entries, Encoding encoding) {
    static std::map<std::pair<std::size_t, Encoding>, RecodedFile> cache;
    RecodedFile& slot = cache[{entries, encoding}];
    if (slot.path.empty()) {
        const std::string bytes =
            std::string(encoding == Encoding::utf8 ? "" : ByteOrderMark(encoding)) +
            Convert(CorpusOf(entries).file, Encoding::cp936, encoding).text;
        slot.path = WriteTemp("vorna-bench-" + std::to_string(entries) + "-" +
                                  std::string(EncodingName(encoding)) + ".vendu",
                              bytes);
        slot.bytes = bytes.size();
    }
    return slot;
}

std::size_t LoadFile(const std::string& path) {
    CEntryStore store;
    if (!LoadEntryFile(path, store).Ok())
        CannotRead(path);
    return store.GetCount();
}

std::size_t LoadInMemory(const std::string& file) {
    CEntryStore store;
    CEntryReader reader(store);
    reader.Expect(file.size() + 1);
    constexpr std::size_t kPiece = 1 << 20;
    for (std::size_t at = 0; at < file.size(); at += kPiece) {
        const std::size_t n = std::min(kPiece, file.size() - at);
        std::memcpy(reader.Room(n), file.data() + at, n);
        reader.Commit(n);
    }
    reader.Finish();
    return store.GetCount();
}

std::size_t ScanSpans(const std::string& file) {
    static std::vector<EntrySpan> spans;
    ScanEntrySpans(file, spans);
    return static_cast<std::size_t>(
        std::count_if(spans.begin(), spans.end(), [](const EntrySpan& s) { return s.Kept(); }));
}

std::size_t OldReaderThroughFile(const std::string& path) {
    test::Entries entries;
    if (!test::ReferenceRead(path, entries).Ok())
        CannotRead(path);
    return entries.size();
}

std::size_t ReadAndCountMarkers(const std::string& path) {
    constexpr std::size_t kPiece = 1 << 20;
    static std::unique_ptr<char[]> buffer(new char[kPiece + 4]);
    CFile file;
    if (!file.Open(path, CFile::modeRead))
        CannotRead(path);
    const detail::ByteFinder marker(kQuestionMarker);
    std::size_t count = 0, kept = 0; // kept: bytes carried over from the piece before
    for (;;) {
        const std::size_t got = file.Read(buffer.get() + kept, kPiece);
        if (got == 0)
            break;
        const std::size_t n = kept + got;
        for (std::size_t p = marker.Find(buffer.get(), n, 0); p != detail::kNotFound;
             p = marker.Find(buffer.get(), n, p + kMarkerLength))
            ++count;
        // A marker cut by the end of the piece is counted with the next one.
        kept = std::min<std::size_t>(n, kMarkerLength - 1);
        std::memmove(buffer.get(), buffer.get() + n - kept, kept);
    }
    return count;
}

std::size_t Search(const CEntryStore& store, std::string_view keyword) {
    static const LeadBytes lead = LeadBytes::Cp936();
    std::vector<std::uint32_t> matches;
    FindMatches(store, keyword, lead, matches);
    return matches.size();
}

std::size_t KeystrokeFirstScreen(const CEntryStore& store, std::string_view keyword) {
    static const LeadBytes lead = LeadBytes::Cp936();
    constexpr std::size_t kFirstScreen = 32;
    std::vector<std::uint32_t> matches;
    FindMatches(store, keyword, lead, matches);
    std::size_t bytes = MatchCaption(keyword, matches.size()).size();
    for (std::size_t k = 0; k < std::min(kFirstScreen, matches.size()); ++k)
        bytes += MakeLabel(store.m_arrQuestions[matches[k]], store.m_arrAnswers[matches[k]]).size();
    return bytes > 0 ? matches.size() : 0;
}

const std::vector<KeywordCase>& KeywordCases() {
    static const std::vector<KeywordCase> cases = {
        {"rare", kRareKeyword},
        {"frequent", kFrequentKeyword},
        {"common_first_byte", kCommonFirstByteKeyword},
        {"empty", ""},
    };
    return cases;
}

} // namespace vorna::bench
