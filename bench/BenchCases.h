#pragma once
// The measured operations, shared by the Google Benchmark program and the self-timed one.
#include "knowledge/EntryStore.h"
#include "text/FileEncoding.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorna::bench {

struct Corpus {
    std::string file;    // the entry file's bytes
    std::string path;    // the file on disk
    std::string markers; // as many bytes of question markers only
    std::string markersPath;
    CEntryStore store;          // what loading the file gives
    std::size_t storeBytes = 0; // bytes of all its questions and answers
};

// Generated once per entry count and kept for the process's life.
const Corpus& CorpusOf(std::size_t entries);

// The corpus's file in UTF-8 (no mark) or UTF-16LE (with its mark), written once.
struct RecodedFile {
    std::string path;
    std::size_t bytes = 0;
};
const RecodedFile& RecodedOf(std::size_t entries, Encoding encoding);

// A whole load: open, read in blocks into a fresh store, cut the entries; the entry count.
std::size_t LoadFile(const std::string& path);
// The same with the file's bytes already in memory, copied in as the reads would.
std::size_t LoadInMemory(const std::string& file);
// The positions of the entries in bytes held in memory (what vendu does), no store.
std::size_t ScanSpans(const std::string& file);
// The reader as it was: 80-byte reads through the file object into one string, then two
// strings an entry.
std::size_t OldReaderThroughFile(const std::string& path);
// Reads the file in 1 MB pieces into one buffer used again and again and counts the question
// markers: the least any load does.
std::size_t ReadAndCountMarkers(const std::string& path);
// Matching only (no labels); returns the number of matches.
std::size_t Search(const CEntryStore& store, std::string_view keyword);

// What a key typed into the search box costs before the window draws anything: the matching,
// the match caption and the labels of the first screen (32 lines); returns the match count.
std::size_t KeystrokeFirstScreen(const CEntryStore& store, std::string_view keyword);

struct KeywordCase {
    const char* name;
    std::string_view keyword;
};
const std::vector<KeywordCase>& KeywordCases();

} // namespace vorna::bench
