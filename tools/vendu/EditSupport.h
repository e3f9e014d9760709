#pragma once
// What vendu's editing commands share: the rewrite of the file with --no-backup and --wait,
// and the words and places of their reports.
#include "tools/vendu/Commands.h"

#include "io/Rewrite.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vendu {

// Rewrites path through io/'s rewrite (change as RewriteFile takes it). On a failure says
// "vendu COMMAND: FILE: why" on standard error and returns false. "-" is standard input,
// read and given to change; a change to it cannot be written, which is such a failure.
bool RewriteEntryFile(const Options& options, const std::string& path,
                      const vorna::RewriteChange& change);

// What a report says after a write: " (the old version is FILE.bak)", the backup beside the
// file a link leads to, or nothing with --no-backup.
std::string BackupNote(const std::string& path, const Options& options);
// The line a report ends with when other programs appended to the file while the last
// RewriteEntryFile rewrote it: "FILE: N entries appended by another program meanwhile were
// kept"; empty otherwise.
std::string AppendedNote(const std::string& path);

// "FILE:LINE:COLUMN" of each offset of content, lines by LF and columns by byte from 1.
std::vector<std::string> Places(const std::string& path, std::string_view content,
                                const std::vector<std::size_t>& offsets);

// "1 entry", "2 entries".
std::string Count(std::size_t n, const char* one, const char* many);

} // namespace vendu
