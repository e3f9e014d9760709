#pragma once
// Entry files made readable elsewhere: one self-contained HTML page with a search box that
// finds what the program finds, and Markdown. Pure functions of the file's bytes.
#include <cstddef>
#include <string>
#include <string_view>

namespace vendu {

// Entry text (code page 936) as UTF-8 for a reader: each byte or pair that forms no character
// becomes U+FFFD, a lead byte taking the byte after it as the program's matching does, so
// that a keyword is found in the result where the program finds it. invalid (when given)
// counts the replacements.
std::string DecodeForReading(std::string_view cp936, std::size_t* invalid = nullptr);

// The page: every entry, numbered from 1, a search box that filters them as one types by the
// program's rule on the decoded texts (the question, else the answer, holds the keyword; case
// counts; the empty keyword matches all), the program's match caption, print styles. No
// resource from outside; every text escaped, and scripts run only with this page's nonce
// (nonce: letters and digits).
std::string MakeHtmlPage(std::string_view content, const std::string& title,
                         const std::string& nonce);

// Markdown: a heading per entry with its number, the question as a paragraph and the answer
// as a quote, line breaks kept; every character that could mean markup escaped.
std::string MakeMarkdown(std::string_view content, const std::string& title);

} // namespace vendu
