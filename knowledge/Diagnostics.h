#pragma once
// What the entry reader keeps and drops, with positions, for tools that tell a user what a
// hand-edited file really holds. The scan takes the reader's steps one for one, so the entries
// it reports are exactly the reader's; it only adds where each piece lies.
#include <cstddef>
#include <string_view>
#include <vector>

#include "knowledge/EntryFile.h"
#include "knowledge/Search.h"

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

enum class FindingCode {
    lostEntry,            // question marker with no answer marker before the next one
    preambleText,         // non-blank text before the first question marker
    preambleAnswerMarker, // answer marker before the first question marker
    answerMarkerInAnswer, // a second answer marker, kept as answer text
    lookAlikeMarker,      // "(%q%)", "（%Q%）", "(%Q%" and the like: plain text
    nulBytes,             // a run of NUL bytes
    emptyQuestion,        // length 0
    blankQuestion,        // only spaces, tabs and line breaks
    emptyAnswer,
    blankAnswer,
    invalidCp936,   // a run of bytes that form no code page 936 character
    duplicateEntry, // same question and answer as an earlier entry
    looksLikeUtf8,  // the whole file is valid UTF-8 with multi-byte characters
};

// Stable short name of a code, for machine-readable output ("lost-entry", ...).
const char* FindingName(FindingCode code);
// Whether the finding means data the reader drops (an error) rather than a doubt (a warning).
bool IsDataLoss(FindingCode code);

struct Finding {
    FindingCode code;
    std::size_t offset = 0;    // where it is reported
    std::size_t textBegin = 0; // the bytes it concerns (lost text, look-alike, bad bytes...)
    std::size_t textLength = 0;
    std::size_t entry = 0;                   // 1-based entry number, when it concerns a kept entry
    std::size_t earlierEntry = 0;            // duplicates: the entry repeated
    std::size_t earlierOffset = kNoPosition; // duplicates: that entry's question marker
};

struct FileDiagnosis {
    std::size_t entryCount = 0;
    bool hasQuestionMarker = false;
    std::vector<Finding> findings; // by offset
};

FileDiagnosis DiagnoseEntryFile(std::string_view content);

// Length of the code page 936 character at offset i of text: 1 or 2, or 0 when the byte there
// begins no valid character (0xFF, a lead byte without a trail byte in 40-7E or 80-FE).
std::size_t Cp936CharLength(std::string_view text, std::size_t i);
// Length of the strict UTF-8 sequence at offset i (no overlong forms, no surrogates), 0 when
// the bytes there are not one.
std::size_t Utf8CharLength(std::string_view text, std::size_t i);

struct TextPosition {
    std::size_t line = 1;   // counted from 1, by LF
    std::size_t column = 1; // counted from 1, by byte
};
// Line and column of each offset; offsets may come in any order.
std::vector<TextPosition> LocateOffsets(std::string_view content,
                                        const std::vector<std::size_t>& offsets);

} // namespace vorna
