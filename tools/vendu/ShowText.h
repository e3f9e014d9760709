#pragma once
// Entry texts shown to a person: one line, control bytes escaped, code page 936 turned into
// UTF-8 where it converts exactly.
#include <string>
#include <string_view>

namespace vendu {

// Entry text made printable on one line, as UTF-8: line breaks, tabs, other control bytes and
// the backslash become C escapes, and bytes that do not convert become \xHH. raw keeps the
// characters' bytes as they are (only the escapes are added). invalid (when given) is set
// when a \xHH escape stood in for an unconvertible byte.
std::string ShowText(std::string_view cp936, bool raw, bool* invalid = nullptr);

// A short quote of an entry text for a message: blanks at both ends left out, at most 40
// bytes of whole characters ("..." when cut), shown as ShowText shows it, in double quotes.
std::string Excerpt(std::string_view cp936);

} // namespace vendu
