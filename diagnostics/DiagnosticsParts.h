#pragma once
// The pieces of the diagnosis that look at one stretch of a file at a time, shared by the
// diagnosis of bytes held in memory and that of a file read window by window.
#include "diagnostics/Diagnostics.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace vorna::detail {

// Spaces, tabs and line breaks.
bool IsBlank(char c);
bool IsBlankText(std::string_view text);
// Look-alike markers, NUL runs and bytes that are no character of the text encoding
// (code page 936 or UTF-8), in s[begin, end), with offsets in s. A stretch that begins at a
// question marker, or after a line feed, and ends before one or at the file's end gives what
// the whole file gives there.
void ScanCharacters(std::string_view s, std::size_t begin, std::size_t end, Encoding encoding,
                    std::vector<Finding>& out);
// The same over the stretch of a window of whole entries: an entry in the other encoding than
// the file's is looked at in its own (spans: the window's).
void ScanWindowCharacters(std::string_view s, const std::vector<EntrySpan>& spans,
                          Encoding encoding, bool mixed, std::vector<Finding>& out);
// An answer as compared for duplicates: the line break that ends it is the start of the next
// record, which the last entry of a file does not have, so it is left out.
std::string_view AnswerKey(std::string_view answer);
std::size_t EntryHash(std::string_view question, std::string_view answerKey);
// The findings of a kept entry of s (its number given): empty or blank texts and answer
// markers kept in its answer.
void EntryFindings(std::string_view s, const EntrySpan& span, std::size_t entry,
                   std::vector<Finding>& out);

} // namespace vorna::detail
