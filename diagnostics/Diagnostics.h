#pragma once
// What the entry reader keeps and drops, with positions, for tools that tell a user what a
// hand-edited file really holds. The scan takes the reader's steps one for one (ScanEntrySpans),
// so the entries it reports are exactly the reader's; it only adds where each piece lies.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "io/Read.h"
#include "knowledge/EntrySpans.h"
#include "text/FileEncoding.h"

namespace vorna {

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
    invalidCp936,   // a run of bytes that form no code page 936 character (a GBK file)
    duplicateEntry, // same question and answer as an earlier entry
    invalidUtf8,    // a run of bytes that form no UTF-8 character (a UTF-8 file)
    mixedEncoding,  // entries in the other encoding than the file's (the first of them)
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
    FileEncoding encoding;                // of the file, as its bytes decide it
    std::size_t otherEncodingEntries = 0; // entries in the other encoding (mixedEncoding)
    std::vector<Finding> findings;        // by offset
};

// A file's bytes, in the encoding they decide (code page 936 or UTF-8; a UTF-16 file's text
// goes through the overload below).
FileDiagnosis DiagnoseEntryFile(std::string_view content);
// Text in the text encoding of encoding: the file's bytes, a UTF-8 file's with its mark; a
// UTF-16 file's as UTF-8 without it.
FileDiagnosis DiagnoseEntryFile(std::string_view text, const FileEncoding& encoding);

// The encoding an entry's bytes show of themselves: UTF-8 when they are valid UTF-8 and hold
// a character of three or four bytes, code page 936 when they are not valid UTF-8 but valid
// code page 936; none otherwise (ASCII, say, which is the same in both).
enum class EntryBytes { none, utf8, cp936, invalid };
EntryBytes ClassifyEntryBytes(std::string_view bytes);
// Whether an entry of a file whose texts are in textEncoding is in the other encoding: a
// UTF-8 entry in a code page 936 file, a code page 936 entry in a UTF-8 one.
bool InOtherEncoding(std::string_view entry, Encoding textEncoding);

struct TextPosition {
    std::size_t line = 1;   // counted from 1, by LF
    std::size_t column = 1; // counted from 1, by byte
};
// Line and column of each offset; offsets may come in any order.
std::vector<TextPosition> LocateOffsets(std::string_view content,
                                        const std::vector<std::size_t>& offsets);

// One finding with what a report of it needs.
struct FindingReport {
    const Finding& finding;
    TextPosition at;             // where finding.offset lies
    std::size_t earlierLine = 0; // a duplicate: the line of the entry it repeats
    // The bytes the finding concerns, or their first 48 where there are more (the text
    // before the first question marker); finding.textLength counts them all.
    std::string_view text;
    bool atEnd = false; // they run to the end of the file
};
using FindingSink = std::function<void(const FindingReport&)>;

// The findings of content, as DiagnoseEntryFile gives them, one report each.
void ReportFindings(std::string_view content, const FileDiagnosis& diagnosis,
                    const FindingSink& report);

// The same reports for a file, read a window of whole entries at a time, twice: first for
// what must be known of the whole file before anything is told (its encoding, the entries in
// the other encoding, which entries share a hash), then to tell it. It is opened once, as opening
// says, for both, so no writer comes between. Memory stays within the largest entry (and the
// longest line before the first question marker), plus 8 bytes an entry and a few more for each
// entry that shares its hash with another; the entry a duplicate repeats is read again from the
// file. summary gets the counts; its findings stay empty.
FileResult DiagnoseEntryFile(const std::string& path, const Opening& opening,
                             FileDiagnosis& summary, const FindingSink& report,
                             std::size_t readSize = 1 << 17);
// The same for a file already open, which may be read through before or after.
FileResult DiagnoseEntryFile(FileWindows& file, FileDiagnosis& summary, const FindingSink& report,
                             std::size_t readSize = 1 << 17);

} // namespace vorna
