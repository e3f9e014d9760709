#pragma once
// The commands of vendu. Each takes its parsed options (texts UTF-8) and returns the exit
// status: 0 done, 1 findings or refused input, 2 an error.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "io/FileResult.h"
#include "io/Read.h"
#include "knowledge/EntryFile.h"

namespace vendu {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFindings = 1;
inline constexpr int kExitError = 2;

inline constexpr double kDefaultWaitSeconds = 5;

struct Options {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values; // "--format" -> "csv"
    std::set<std::string> flags;               // "--raw"
    double waitSeconds = kDefaultWaitSeconds;  // --wait: how long a busy file is waited for

    bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
    const std::string* Value(const std::string& name) const {
        auto it = values.find(name);
        return it == values.end() ? nullptr : &it->second;
    }
};

// "--name=value" and "--name value" for the names in withValue, "--flag" for those in flags,
// "--" ends the options. The word after "--name" is its value whatever it looks like, so
// "--question --help" asks for the question "--help". False with a reason on anything else.
bool ParseOptions(const std::vector<std::string>& args, const std::set<std::string>& withValue,
                  const std::set<std::string>& flags, Options& out, std::string& error);

// The sharing model: vendu's readers share a file with one another, its writers (add and
// import) hold their target alone. A file that another program holds is waited for, up to
// --wait seconds.
vorna::Opening SharedReading(double waitSeconds);
// A whole file, read shared, with room for the reader's end sentinel.
vorna::FileResult ReadShared(const std::string& path, double waitSeconds, std::string& content);

// Text the user gave, as entry-file bytes. raw keeps the bytes: on POSIX a command-line
// argument's too; on Windows the command line is Unicode and always converts.
bool ToEntryBytes(const std::string& given, bool raw, bool fromCommandLine, std::string& bytes,
                  std::string& why);
// The text a failed check refused: "question" or "answer".
const char* RefusedText(vorna::EntryCheck check);
// Why the texts are refused beyond the six checks (a control character other than tab, CR
// and LF), or empty.
std::string ControlCharacterProblem(const std::string (&texts)[2]);
// The question and the answer of --question / --question-file and --answer / --answer-file
// (bothNeeded: each must be given), as entry-file bytes. False when they cannot be had:
// status is then the exit status, and the reason has been said.
bool ReadEntryTexts(const char* command, const char* usage, const Options& options, bool bothNeeded,
                    std::optional<std::string> (&texts)[2], int& status);

// Each command gets its options parsed by Run, with its own names (below) and --wait.
int RunCheck(const Options& options);
int RunSearch(const Options& options);
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

// The whole tool: args without the program name.
int Run(const std::vector<std::string>& args);

} // namespace vendu
