#pragma once
// The commands of vendu. Each takes its parsed options (texts UTF-8) and returns the exit
// status: 0 done, 1 findings or refused input, 2 an error.
#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "io/FileResult.h"
#include "io/Read.h"
#include "tools/vendu/EntryInput.h"
#include "tools/vendu/Options.h"
#include "knowledge/EntryFile.h"
#include "text/Convert.h"

namespace vendu {

// The sharing model: vendu's readers share a file with one another, its writers (add and
// import) hold their target alone. A file that another program holds is waited for, up to
// --wait seconds.
vorna::Opening SharedReading(double waitSeconds);
// As SharedReading, and a file that another program changes while it is read (one that
// ignores the sharing rules) is changedWhileRead: for the commands that only read, whose
// results must fit one version of the file.
vorna::Opening CheckedReading(double waitSeconds);
// A whole file, read as CheckedReading says.
vorna::FileResult ReadShared(const std::string& path, double waitSeconds, std::string& content);
// As ReadShared, and "-" is standard input.
vorna::FileResult ReadInput(const std::string& path, double waitSeconds, std::string& content);
// Standard input piece by piece, for the commands that read their input a window at a time.
vorna::ReadPiece StandardInputPieces();
// The name a file goes by in messages and reports: "(standard input)" for "-".
std::string InputName(const std::string& path);

// What happened to a file, for the user: FileResult's words, and for a file in use how to
// wait longer.
std::string DescribeFile(const vorna::FileResult& result);

// Text the user gave, as entry-file bytes in a file's text encoding (code page 936 or UTF-8);
// false with the reason when that encoding cannot hold it. raw keeps the bytes: on POSIX a
// command-line argument's too; on Windows the command line is Unicode and always converts.
// Whether --raw keeps a text's bytes as given (fromCommandLine: an argument, not a file's).
bool KeptAsBytes(bool raw, bool fromCommandLine);
bool ToEntryBytes(const std::string& given, bool raw, bool fromCommandLine, std::string& bytes,
                  std::string& why, vorna::Encoding to = vorna::Encoding::cp936);

// An entry's text as its writer gave it: without the line breaks that the record puts around
// it. Records written by the program or by vendu give back exactly their texts; the last
// answer of a file has no line break after it, so followedByRecord is false there.
std::string_view WrittenText(std::string_view text, bool followedByRecord);

// Puts an entry's two texts (question, answer) into a JSON object as "question" and "answer"
// (UTF-8), or as "question_base64" and "answer_base64" (the bytes, in the texts' encoding,
// code page 936 or UTF-8) for a text that does not
// convert exactly and, with raw, for both. badByte: where each text stopped converting, or
// npos. False when a text went as bytes for not converting.
bool AddEntryTexts(nlohmann::ordered_json& object, const std::string_view (&texts)[2], bool raw,
                   std::size_t (&badByte)[2], vorna::Encoding encoding = vorna::Encoding::cp936);

// "vendu COMMAND: what\n" and "vendu COMMAND: FILE: what\n" on standard error, control
// characters escaped.
void Report(const Options& options, const std::string& what);
void Report(const Options& options, const std::string& file, const std::string& what);
// What happened to a file: as DescribeFile says it, and "FILE changed while it was read; run
// the command again".
void Report(const Options& options, const std::string& file, const vorna::FileResult& result);

// The text a failed check refused: "question" or "answer".
const char* RefusedText(vorna::EntryCheck check);
// Why the texts are refused beyond the six checks (a control character other than tab, CR
// and LF), or empty.
std::string ControlCharacterProblem(const std::string (&texts)[2]);
// Why the texts are refused when one is only white space (spaces, tabs and line breaks, what
// check calls blank), naming which; or empty.
std::string BlankTextProblem(const std::string (&texts)[2]);
// The question and the answer of --question / --question-file and --answer / --answer-file
// (bothNeeded: each must be given) as the user gave them: UTF-8, checked, or with --raw bytes
// to keep. False when they cannot be had: status is then the exit status, and the reason has
// been said.
struct GivenTexts {
    std::optional<std::string> text[2];
    bool bytes[2] = {false, false}; // kept as they are (--raw)
};
bool ReadEntryTexts(const Options& options, bool bothNeeded, GivenTexts& given, int& status);
// Those texts as entry-file bytes in a file's text encoding. False, having said why, when the
// encoding cannot hold one (exit status 2).
bool EntryTextsIn(const Options& options, const GivenTexts& given, vorna::Encoding to,
                  std::optional<std::string> (&texts)[2]);

int RunCheck(const Options& options);
int RunSearch(const Options& options);
int RunShow(const Options& options);
int RunAdd(const Options& options);
int RunExport(const Options& options);
int RunImport(const Options& options);
// The editing commands: each changes its file through one rewrite (io/Rewrite.h).
int RunFix(const Options& options);
int RunConvert(const Options& options);
int RunDedupe(const Options& options);
int RunRemove(const Options& options);
int RunEdit(const Options& options);
int RunMerge(const Options& options);
int RunStats(const Options& options);
// export --format=html and --format=md.
int RunExportPage(const Options& options, const std::string& format);

// The whole tool: args without the program name; version is what -V prints.
int Run(const std::vector<std::string>& args, const char* version);

} // namespace vendu
