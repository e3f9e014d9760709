#pragma once
// Conversions between the entry files' code page 936 bytes and UTF-8, done by the system's
// own converter (iconv on POSIX, the code page 936 tables of Windows). A conversion succeeds
// only when converting the result back gives the very same bytes, so nothing is ever changed
// on the way out and in again.
#include <cstddef>
#include <string>
#include <string_view>

namespace vendu {

// On failure badOffset (when given) receives the offset of the first byte of the input that
// does not convert exactly, and out is unspecified.
bool Cp936ToUtf8(std::string_view in, std::string& out, std::size_t* badOffset = nullptr);
bool Utf8ToCp936(std::string_view in, std::string& out, std::size_t* badOffset = nullptr);

// Entry text made printable on one line, as UTF-8: line breaks, tabs, other control bytes and
// the backslash become C escapes, and bytes that do not convert become \xHH. raw keeps the
// characters' bytes as they are (only the escapes are added). invalid (when given) is set
// when a \xHH escape stood in for an unconvertible byte.
std::string ShowText(std::string_view cp936, bool raw, bool* invalid = nullptr);

} // namespace vendu
