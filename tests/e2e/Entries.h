#pragma once
// Entry files for end-to-end tests, built from ANSI byte strings.
#include <string>
#include <string_view>
#include <vector>

namespace vorna::e2e {

struct TestEntry {
    std::string question;
    std::string answer;
};

// Markers and texts with nothing in between, so every entry reads back exactly as given.
std::string HandMadeFile(const std::vector<TestEntry>& entries);

// What the Add dialog appends for one entry: CR LF, marker, CR LF around each text.
std::string WrittenRecord(std::string_view question, std::string_view answer);

// The result-list line of an entry.
std::string Label(const TestEntry& entry);

// ANSI bytes (GBK) of a UTF-8 literal.
std::string G(std::string_view utf8);

// UTF-16 bytes of UTF-8 text, either way round, after the byte-order mark when asked.
std::string Utf16Bytes(std::string_view utf8, bool littleEndian, bool mark);

// The entry-count caption (UTF-8).
std::string CountSummary(int count);

// The match caption as the program formats it, in ANSI bytes.
std::string MatchSummary(std::string_view keyword, int count);

// A file the program refuses to load, and its message (UTF-8).
struct RefusedFile {
    const char* name;
    std::wstring path;
    const char* message;
};
// The file check's two refusals: a missing file, and one another program holds open.
std::vector<RefusedFile> RefusedFiles(const std::wstring& missing, const std::wstring& held);

} // namespace vorna::e2e
