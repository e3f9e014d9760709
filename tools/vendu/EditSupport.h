#pragma once
// What vendu's editing commands share: the rewrite of the file with --no-backup and --wait,
// and the words and places of their reports.
#include "tools/vendu/Commands.h"

#include "diagnostics/Diagnostics.h"
#include "io/Rewrite.h"
#include "tools/vendu/EntryInput.h"

#include <functional>

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vendu {

// Rewrites path through io/'s rewrite (change as RewriteFile takes it), keeping --backups
// old versions (3 by default, none with --no-backup). On a failure says
// "vendu COMMAND: FILE: why" on standard error and returns false. "-" is standard input,
// read and given to change, and the file as changed goes to standard output.
bool RewriteEntryFile(const Options& options, const std::string& path,
                      const vorna::RewriteChange& change);

// A file's text as the editing commands change it: its bytes (a UTF-8 file's with its mark),
// or a UTF-16 file's as UTF-8 without it.
struct FileText {
    TextCoding coding;
    std::string_view text;
};
using TextChange = std::function<bool(const FileText& old, std::string& updated)>;
// RewriteEntryFile in the file's own encoding: change sees the text and gives the new text,
// which goes back in that encoding. A UTF-16 file that is not valid UTF-16 is refused, said
// as a failure is.
bool RewriteEntryText(const Options& options, const std::string& path, const TextChange& change);

// What a report says after a write: " (the old version is FILE.bak)", the backup beside the
// file a link leads to, or nothing with --no-backup (and for standard input).
std::string BackupNote(const std::string& path, const Options& options);
// Where the last rewrite kept the old version of path.
std::string BackupPath(const std::string& path);
// Where an editing command's report goes: standard output, or standard error when the
// changed file itself goes there (FILE '-').
std::FILE* ResultStream(const std::string& path);
// The line a report ends with when other programs appended to the file while the last
// RewriteEntryFile rewrote it: "FILE: N entries appended by another program meanwhile were
// kept"; empty otherwise.
std::string AppendedNote(const std::string& path);

// "FILE:LINE:COLUMN" of each offset of content, lines by LF and columns by byte from 1.
std::vector<std::string> Places(const std::string& path, std::string_view content,
                                const std::vector<std::size_t>& offsets);

// What a file that mixes encodings holds: "the file is GBK, but entry 3 is in UTF-8 (2 entries
// in all)".
std::string MixedMessage(const vorna::FileDiagnosis& diagnosis, std::size_t entry);

// "1 entry", "2 entries".
std::string Count(std::size_t n, const char* one, const char* many);

} // namespace vendu
