#include "BenchCases.h"

#include "EntryGenerator.h"
#include "knowledge/EntryFile.h"
#include "knowledge/Search.h"

#include <cstdio>
#include <cstdlib>
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

} // namespace

const Corpus& CorpusOf(std::size_t entries) {
    static std::map<std::size_t, std::unique_ptr<Corpus>> cache;
    std::unique_ptr<Corpus>& slot = cache[entries];
    if (!slot) {
        auto c = std::make_unique<Corpus>();
        const std::string tag = std::to_string(entries);
        c->file = GenerateEntryFile(entries);
        c->content = c->file + std::string(kEndSentinel);
        c->path = WriteTemp("vorna-bench-" + tag + ".vendu", c->file);
        c->markers = MarkerHeavyFile(c->file.size());
        c->markersFileSize = c->markers.size();
        c->markersPath = WriteTemp("vorna-bench-markers-" + tag + ".vendu", c->markers);
        c->markers.append(kEndSentinel);
        if (!LoadEntryFile(c->path, c->store).Ok()) {
            std::fprintf(stderr, "cannot read %s\n", c->path.c_str());
            std::exit(1);
        }
        c->storeBytes = 0;
        for (std::size_t i = 0; i < c->store.GetCount(); ++i)
            c->storeBytes += c->store.m_arrQuestions[i].size() + c->store.m_arrAnswers[i].size();
        slot = std::move(c);
    }
    return *slot;
}

std::size_t ParseInMemory(const std::string& content, bool intoStore) {
    if (!intoStore) {
        std::size_t count = 0;
        ParseEntries(content, [&count](std::string, std::string) { ++count; });
        return count;
    }
    CEntryStore store;
    ParseEntries(content, [&store](std::string q, std::string a) {
        store.AddEntry(std::move(q), std::move(a));
    });
    return store.GetCount();
}

std::size_t ParseThroughFile(const std::string& path) {
    CEntryStore store;
    if (!LoadEntryFile(path, store).Ok()) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        std::exit(1);
    }
    return store.GetCount();
}

std::size_t Search(const CEntryStore& store, std::string_view keyword) {
    static const LeadBytes lead = LeadBytes::Cp936();
    std::vector<std::uint32_t> matches;
    FindMatches(store.m_arrQuestions, store.m_arrAnswers, keyword, lead, matches);
    return matches.size();
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
