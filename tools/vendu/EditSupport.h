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
// "vendu COMMAND: FILE: why" on standard error and returns false.
bool RewriteEntryFile(const Options& options, const std::string& path,
                      const vorna::RewriteChange& change);

// What a report says after a write: " (the old version is FILE.bak)", or nothing with
// --no-backup.
std::string BackupNote(const std::string& path, const Options& options);

// "FILE:LINE:COLUMN" of each offset of content, lines by LF and columns by byte from 1.
std::vector<std::string> Places(const std::string& path, std::string_view content,
                                const std::vector<std::size_t>& offsets);

// "1 entry", "2 entries".
std::string Count(std::size_t n, const char* one, const char* many);

} // namespace vendu
