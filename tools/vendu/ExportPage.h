#pragma once
// Entry files made readable elsewhere: one self-contained HTML page with a search box that
// finds what the program finds, and Markdown, written as the entries are read.
#include "io/FileResult.h"
#include "text/Convert.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vendu {

// Entry text (code page 936) as UTF-8 for a reader: each byte or pair that forms no character
// becomes U+FFFD, a lead byte taking the byte after it as the program's matching does, so
// that a keyword is found in the result where the program finds it. invalid (when given)
// counts the replacements. Texts of a UTF-8 file (encoding) keep their characters, each byte
// that begins none becoming U+FFFD.
std::string DecodeForReading(std::string_view cp936, std::size_t* invalid = nullptr,
                             vorna::Encoding encoding = vorna::Encoding::cp936);

// An entry as a page shows it: its texts as the reader gives them, and whether a question
// marker follows its answer (which then ends with the line break that begins that record).
struct PageEntry {
    std::string_view question;
    std::string_view answer;
    bool followedByRecord;
    vorna::Encoding encoding = vorna::Encoding::cp936; // of the texts
};
// Hands over a file's entries in order, from its start each time it is called; the reading's
// result.
using PageEntries =
    std::function<vorna::FileResult(const std::function<void(const PageEntry&)>& visit)>;
// Takes the page's bytes as they are made.
using PageOutput = std::function<void(std::string_view bytes)>;

// The page: every entry, numbered from 1, a search box that filters them as one types by the
// program's rule on the decoded texts (the question, else the answer, holds the keyword; case
// counts; the empty keyword matches all), the program's match caption, print styles. No
// resource from outside; every text escaped, and scripts run only with this page's nonce
// (nonce: letters and digits). count is how many entries there are, said before them. The
// entries are walked twice, for what is shown and for the texts searched, and written as
// they come; a failed walk ends the page there and is the result.
vorna::FileResult WriteHtmlPage(const PageEntries& entries, std::size_t count,
                                const std::string& title, const std::string& nonce,
                                const PageOutput& output);

// Markdown: a heading per entry with its number, the question as a paragraph and the answer
// as a quote, line breaks kept; every character that could mean markup escaped. As the page
// otherwise, the entries walked once.
vorna::FileResult WriteMarkdown(const PageEntries& entries, std::size_t count,
                                const std::string& title, const PageOutput& output);

} // namespace vendu
