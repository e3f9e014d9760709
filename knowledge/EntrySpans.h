#pragma once
// Where the entries of a file's bytes lie, as the reader finds them, and which of them hold a
// keyword: the reader and the matching in one pass over a file's bytes, with positions.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "io/Read.h"
#include "knowledge/EntryFile.h"
#include "text/CodePage.h"

namespace vorna {

inline constexpr std::size_t kNoPosition = static_cast<std::size_t>(-1);

// One question marker of a file and what the reader makes of it.
struct EntrySpan {
    std::size_t questionMarker = 0;         // offset of the question marker
    std::size_t answerMarker = kNoPosition; // first answer marker before next; none: entry lost
    std::size_t next = 0;                   // next question marker, or the file's size

    bool Kept() const { return answerMarker != kNoPosition; }
    std::size_t QuestionBegin() const { return questionMarker + kMarkerLength; }
    std::size_t AnswerBegin() const { return answerMarker + kMarkerLength; }
};

// Every question marker of content (the file's bytes, without the end sentinel), in file
// order. The kept spans are the reader's entries, in the reader's order. Linear time.
std::vector<EntrySpan> ScanEntrySpans(std::string_view content);
// The same into out (replaced), which keeps its memory from one call to the next.
void ScanEntrySpans(std::string_view content, std::vector<EntrySpan>& out);

// The indices of the kept spans (of spans, as ScanEntrySpans gave them for content) whose
// question or answer holds the keyword as FindKeyword finds it, ascending; out is replaced.
// One pass over content whatever the keyword: a place where the keyword's bytes occur counts
// when it lies wholly inside a question or an answer and begins a character there.
void FindMatchingSpans(std::string_view content, const std::vector<EntrySpan>& spans,
                       std::string_view keyword, const LeadBytes& lead,
                       std::vector<std::size_t>& out);

// How many entries of window (bytes that begin with a question marker and hold whole entries,
// the last one running to the window's end) have a question or answer that holds the keyword,
// as FindMatchingSpans finds them. The keyword is looked for first, and the markers only
// around the places where its bytes occur, so entries without it cost no more than their
// bytes; linear in the window's size on every input.
std::size_t CountMatchingEntries(std::string_view window, std::string_view keyword,
                                 const LeadBytes& lead);

// Every entry of a file in order, as the reader gives them: its two texts (valid during the
// call) and whether another entry follows it (its answer then ends with the line break that
// begins the next record). The file is read a window of whole entries at a time, from views
// where files can be mapped, so memory stays within the largest entry; a file bigger than all
// the machine's memory, or an entry bigger than what is left, is tooBig.
using EntryVisit =
    std::function<void(std::string_view question, std::string_view answer, bool followed)>;
FileResult ForEachEntry(const std::string& path, const Opening& how, const EntryVisit& visit);
// The same for bytes from elsewhere (standard input, or bytes held in memory).
FileResult ForEachEntry(const ReadPiece& read, const EntryVisit& visit);
// The same for windows of whole entries from elsewhere (a file read in its encoding, say):
// pass hands them over in order and gives the reading's result.
using WindowPass = std::function<FileResult(const std::function<void(const Window&)>& visit)>;
FileResult ForEachEntry(const WindowPass& pass, const EntryVisit& visit);

} // namespace vorna
