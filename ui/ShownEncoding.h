#pragma once
// How the main window shows the texts of its store and takes a keyword for it. A store read
// from a code page 936 file is shown as the window always showed entry texts, as the ANSI code
// page's bytes through the A APIs; a store read from a UTF-8 or UTF-16 file holds UTF-8 and is
// shown through the W APIs, every character as it is.
#include "text/CodePage.h"
#include "text/Convert.h"
#include "text/FileEncoding.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vorna {

// The encoding of the window's keyword, shown question and answer and list lines for a store
// read from a file in this encoding: Encoding::system for code page 936, else UTF-8.
Encoding ShownEncoding(const FileEncoding& file);

// The lead bytes a keyword in that encoding is matched with: the ANSI code page's as always,
// or UTF-8's (none).
LeadBytes KeywordLeadBytes(Encoding shown);

// The text of the clipboard, which the caller holds open, in that encoding: CF_TEXT as the
// ANSI code page's bytes, else CF_UNICODETEXT converted. Empty when it holds no text.
std::string ClipboardText(Encoding shown);

// The notification-area tip once a file is loaded: "Lirel — NAME (UTF-8, 28 条)", NAME the
// file's name in path (UTF-8). A name too long for the shell's 127 characters is cut short
// with "…", so the encoding and the count always show.
std::wstring LoadedFileTip(std::string_view path, const FileEncoding& file, std::size_t entries);

} // namespace vorna
