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
    lostQuestion, // mended: the answer marker added after the question's text
    nulBytes,     // mended: the NUL bytes removed
    lineBreaks,   // mended: CR put before every LF that had none (count of them)
    keptNulBytes, // left: removing them would join the bytes around them into a marker
    left,         // left: a finding without a sound mend (finding says which)
};

struct FixNote {
    FixKind kind;
    vorna::Finding finding; // where (offset in the old bytes) and what
    std::size_t count = 0;  // lineBreaks: how many
};

struct FixPlan {
    std::string updated;
    std::vector<FixNote> notes; // by offset; lineBreaks last
    std::size_t mends = 0;
    std::size_t left = 0;
};

// Mends what has one sound mend: a lost question whose text is not blank gets an empty answer
// right after that text (on a line of its own when the text ends with a line break), so the
// reader keeps it with every byte of it; runs of NUL bytes go; a lone LF becomes CR LF. The
// findings without one (look-alike markers, text or answer markers before the first question,
// an answer marker inside an answer, blank lost questions, bytes that are not code page 936,
// repeats, a UTF-8 file) are listed as left.
FixPlan PlanFix(std::string_view content);

// ---- convert

struct ConvertPlan {
    bool byteOrderMark = false;
    std::string updated; // the code page 936 bytes, when nothing was refused
    // Each character that code page 936 cannot hold (offset and length in the old bytes, the
    // character); or the first byte that is not UTF-8 (character 0), when the file is not.
    std::vector<vorna::ConversionError> refused;
};
ConvertPlan PlanConvert(std::string_view content);

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
