#pragma once
// The entry file format: entries delimited by the question marker "(%Q%)" and the answer
// marker "(%A%)", bytes in the ANSI code page, nothing trimmed or converted.
#include "io/FileResult.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vorna {

inline constexpr std::string_view kQuestionMarker = "(%Q%)";
inline constexpr std::string_view kAnswerMarker = "(%A%)";
inline constexpr std::size_t kMarkerLength = 5;
// Appended to the content before scanning: the end of the file acts as one more question
// marker, and its leading '(' keeps a marker from forming across the boundary.
inline constexpr std::string_view kEndSentinel = "(%Q%)m(%A%)y";
// The reader's fixed chunk size.
inline constexpr std::size_t kReadChunk = 80;

using EntrySink = std::function<void(std::string question, std::string answer)>;

// Scans content (which must already end with kEndSentinel) and hands every entry, in file
// order, to sink. Linear in the content's size on every input. Every byte is text, NUL
// bytes included: they stay in the entries like any other byte.
void ParseEntries(std::string_view contentWithSentinel, const EntrySink& sink);

// Reads the whole file through the file object in kReadChunk pieces (opened for reading with
// no sharing), appends the sentinel and parses it. Entries are handed to sink only when the
// whole file was read: a file that cannot be opened, whose reading fails part way, or that
// does not fit in memory, hands over nothing and says so in the result; offset is the bytes
// of the file read.
FileResult ReadEntryFile(const std::string& path, const EntrySink& sink);

// The writer's record: "\r\n(%Q%)\r\n" question "\r\n(%A%)\r\n" answer, nothing after.
std::string MakeRecord(std::string_view question, std::string_view answer);

// The six tests on a new entry, in the order in which the first failure decides.
enum class EntryCheck {
    ok,
    questionEmpty,
    questionHasQuestionMarker,
    questionHasAnswerMarker,
    answerEmpty,
    answerHasQuestionMarker,
    answerHasAnswerMarker,
};
EntryCheck CheckNewEntry(std::string_view question, std::string_view answer);
// The user's message for a failed check (UTF-8); empty for ok.
const char* EntryCheckMessage(EntryCheck check);

} // namespace vorna
