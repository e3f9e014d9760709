#pragma once
// Entry texts shown to a person: code page 936 (or UTF-8, the texts of a UTF-8 or UTF-16 file)
// turned into UTF-8 where it converts exactly, bytes that do not as \xHH. Each function takes
// the texts' encoding last.
#include "text/Convert.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vendu {

// Entry text made printable on one line, as UTF-8: line breaks, tabs, other control bytes and
// the backslash become C escapes, and bytes that do not convert become \xHH. raw keeps the
// characters' bytes as they are (only the escapes are added). invalid (when given) is set
// when a \xHH escape stood in for an unconvertible byte.
std::string ShowText(std::string_view cp936, bool raw, bool* invalid = nullptr,
                     vorna::Encoding encoding = vorna::Encoding::cp936);

// A stretch of a text to be marked, [begin, end) in its bytes.
struct Mark {
    std::size_t begin;
    std::size_t end;
};

// How marked stretches are shown: the terminal's escape sequences, or nothing.
struct Marking {
    const char* on = "";
    const char* off = "";
};

// The one-line form of a match: every run of line breaks (CR, LF) becomes one space and the
// spaces at both ends go; tabs stay; other control bytes and bytes that do not convert
// become \xHH. marks (ascending, not overlapping) are wrapped in marking. raw and invalid as
// for ShowText.
std::string OneLine(std::string_view cp936, const std::vector<Mark>& marks, const Marking& marking,
                    bool raw, bool* invalid = nullptr,
                    vorna::Encoding encoding = vorna::Encoding::cp936);

// Text shown whole, with its own line breaks and tabs; other control bytes and bytes that do
// not convert become \xHH.
std::string WholeText(std::string_view cp936, bool raw, bool* invalid = nullptr,
                      vorna::Encoding encoding = vorna::Encoding::cp936);

// A short quote of an entry text for a message: blanks at both ends left out, at most 40
// bytes of whole characters ("..." when cut), shown as ShowText shows it, in double quotes.
// more: the text goes on past these bytes (they are its beginning), so it is cut there.
std::string Excerpt(std::string_view cp936, bool more = false,
                    vorna::Encoding encoding = vorna::Encoding::cp936);

// Bytes named in a message, as hexadecimal pairs apart by spaces: the first 8, and " ..."
// when there are more.
std::string HexBytes(std::string_view bytes);

} // namespace vendu
