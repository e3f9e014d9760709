#pragma once
// What vendu's editing commands make of an entry file: pure functions from a file's bytes to
// its new bytes, and what they found on the way. The entries are the reader's, numbered from
// 1 in file order as search and show number them; every change keeps all other bytes as
// they are.
#include "diagnostics/Diagnostics.h"
#include "knowledge/EntrySpans.h"
#include "text/Convert.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vendu {

// The kept entries of a file's bytes, in file order: entry N is entries[N - 1].
struct EntryLayout {
    std::string_view content;
    std::vector<vorna::EntrySpan> entries;

    std::string_view Question(std::size_t index) const;
    std::string_view Answer(std::size_t index) const;
    // Whether a question marker follows the entry's answer.
    bool FollowedByRecord(std::size_t index) const;
};
EntryLayout LayOut(std::string_view content);

// ---- fix

enum class FixKind {
    lostQuestion,   // mended: the answer marker added after the question's text
    nulBytes,       // mended: the NUL bytes removed
    lineBreaks,     // mended: CR put before every LF that had none (count of them)
    convertedEntry, // mended: an entry in the other encoding converted to the file's
    keptNulBytes,   // left: removing them would join the bytes around them into a marker
    left,           // left: a finding without a sound mend (finding says which)
    leftEntry,      // left: an entry in the other encoding that does not convert surely (why)
};

struct FixNote {
    FixKind kind;
    vorna::Finding finding; // where (offset in the old bytes) and what
    std::size_t count = 0;  // lineBreaks: how many
    std::string why = {};   // leftEntry: why not
};

struct FixPlan {
    std::string updated;
    std::vector<FixNote> notes; // by offset; lineBreaks last
    std::size_t mends = 0;
    std::size_t left = 0;
};

// Mends what has one sound mend: a lost question whose text is not blank gets an empty answer
// right after that text (on a line of its own when the text ends with a line break), so the
// reader keeps it with every byte of it; runs of NUL bytes go; a lone LF becomes CR LF; an
// entry in the other encoding than the file's is converted to the file's when that is sure:
// it cannot be read in the file's encoding (a UTF-8 entry of a GBK file that is also valid
// GBK can, and is left), it converts exactly, and it holds no NUL byte (the next fix does it).
// The findings without one (look-alike markers, text or answer markers before the first
// question, an answer marker inside an answer, blank lost questions, bytes that are not
// characters, repeats) are listed as left. content: the file's text (encoding as decided).
FixPlan PlanFix(std::string_view content);
FixPlan PlanFix(std::string_view content, const vorna::FileEncoding& encoding);

// ---- convert

struct ConvertPlan {
    vorna::FileEncoding from;   // what the file is taken to be
    bool byteOrderMark = false; // the UTF-8 file had one, or the UTF-8 result needs one
    bool same = false;          // nothing to convert: the file is in the target encoding
    std::string text;           // what the offsets of refused count in: the file as UTF-8 or
                                // code page 936 text (a UTF-16 file's as UTF-8)
    std::string updated;        // the new bytes, when nothing was refused
    // Each character that the target cannot hold (offset and length in text, the character);
    // or the first byte that does not convert (character 0) when the file is not in the
    // encoding it is converted from.
    std::vector<vorna::ConversionError> refused;
};
// To code page 936 (to: cp936) from UTF-8 (with or without the mark; bytes that are valid
// UTF-8 are taken as such) or UTF-16. To UTF-8 (to: utf8) from code page 936 or UTF-16; the
// result gets a mark only when without one it would not be read as UTF-8 (no character of
// three or four bytes in it).
ConvertPlan PlanConvert(std::string_view content, vorna::Encoding to = vorna::Encoding::cp936);
// The number of the kept entry of text whose span holds offset, or 0.
std::size_t EntryAt(std::string_view text, std::size_t offset);

// ---- dedupe, rm, edit, merge

// Removes the entries of the numbers given (any order, repeats allowed, all within 1 ..
// count): each from its question marker to the next one; when what goes ends the file, the
// line break before it goes too, so removing the last record gives back the file as it was
// before that record was added.
std::string RemoveEntries(const EntryLayout& layout, std::vector<std::size_t> numbers);

// The numbers of the entries that repeat an earlier one exactly (the rule of check).
std::vector<std::size_t> RepeatedEntries(const vorna::FileDiagnosis& diagnosis);

// Entry number's texts replaced (each when given) inside the line breaks that framed the old
// ones, so the file keeps its style.
std::string ReplaceEntry(const EntryLayout& layout, std::size_t number,
                         const std::optional<std::string>& question,
                         const std::optional<std::string>& answer);

// The target's bytes followed by a record of each entry of the sources, as add writes them:
// each reads back as an entry with the same texts as written. skipPresent leaves out an entry
// already in the target, or added before it, as check compares them. added receives how
// many went in.
std::string AppendEntries(const EntryLayout& target, const std::vector<EntryLayout>& sources,
                          bool skipPresent, std::size_t& added);

// Where the entries of a source did not convert: the entry (0: all did) and why.
struct EntryFailure {
    std::size_t entry = 0;
    std::string why; // "the question holds ..."
};
// The entries of layout as records in another text encoding, each text as written, into out.
EntryFailure ConvertEntries(const EntryLayout& layout, vorna::Encoding from, vorna::Encoding to,
                            std::string& out);

// ---- stats

struct EntryStats {
    std::size_t entries = 0;
    std::size_t bytes = 0;
    std::size_t largestEntry = 0; // its number; 0 with no entries
    std::size_t largestBytes = 0; // from its question marker to the next or the end
    std::size_t repeats = 0;
    std::size_t errors = 0, warnings = 0;

    // Counts the kept entries of a window of whole entries (bytes from a question marker to
    // the next window or the file's end); windows come in file order.
    void AddEntries(std::string_view window);
    // Counts a finding of the file's diagnosis.
    void AddFinding(const vorna::Finding& finding);
};

} // namespace vendu
