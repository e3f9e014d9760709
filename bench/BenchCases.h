#pragma once
// The measured operations, shared by the Google Benchmark program and the self-timed one.
#include "knowledge/EntryStore.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorna::bench {

struct Corpus {
    std::string file;    // the entry file's bytes
    std::string content; // the file followed by the reader's end sentinel
    std::string path;    // the file on disk
    std::string markers; // as many bytes of question markers only, then the sentinel
    std::string markersPath;
    std::size_t markersFileSize = 0;
    CEntryStore store;          // what loading the file gives
    std::size_t storeBytes = 0; // bytes of all its questions and answers
};

// Generated once per entry count and kept for the process's life.
const Corpus& CorpusOf(std::size_t entries);

// Parses content (already followed by the sentinel) held in memory; returns the entry count.
// With intoStore the entries fill a fresh store, as a load does; otherwise each is dropped
// as soon as the parser has cut it out.
std::size_t ParseInMemory(const std::string& content, bool intoStore);
// Loads a file through the file object's 80-byte reads; returns the entry count.
std::size_t ParseThroughFile(const std::string& path);
// Matching only (no labels); returns the number of matches.
std::size_t Search(const CEntryStore& store, std::string_view keyword);

struct KeywordCase {
    const char* name;
    std::string_view keyword;
};
const std::vector<KeywordCase>& KeywordCases();

} // namespace vorna::bench
