#pragma once
// vendu's command line: the table of commands with their options and help, and the parser
// that reads a command's words by it. Each command's help is written once, in its entry of
// the table (CommandTable.cpp); --help, the man page and the README's command table are
// made from what vendu prints, the shell completions from the table itself (Completion.h).
#include <map>
#include <set>
#include <string>
#include <vector>

namespace vendu {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFindings = 1;
inline constexpr int kExitError = 2;

inline constexpr double kDefaultWaitSeconds = 5;

// One option of a command. Written "-c" and "--count" on the command line; short options
// bundle ("-ic"), and a value is the next word whatever it looks like ("--question --help").
struct OptionSpec {
    const char* name;           // long name without the dashes: "count"
    char letter;                // short name, or 0
    const char* value;          // the value's name in the help ("SECONDS"), or nullptr: a flag
    const char* help;           // lines after the first are indented under it
    bool valueOptional = false; // "--color" alone or "--color=WHEN"
    bool repeatable = false;    // "-e A -e B": every value kept, in order
};

struct Options;

struct CommandSpec {
    const char* name;     // "search"
    const char* operands; // what follows [OPTIONS] in the usage: "FILE KEYWORD"
    const char* summary;  // one line, for the list of commands
    const char* description;
    std::vector<OptionSpec> options;
    const char* exitStatus; // "0 ..., 1 ..., 2 ..."
    int (*run)(const Options&);
    bool opensFiles; // takes --wait
};

// A command's words, parsed.
struct Options {
    std::string command; // "search": messages begin "vendu search: "
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;             // "--format" -> "csv"
    std::map<std::string, std::vector<std::string>> lists; // repeatable: "--regexp" -> all
    std::set<std::string> flags;                           // "--raw"
    double waitSeconds = kDefaultWaitSeconds; // --wait: how long a busy file is waited for

    bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
    const std::string* Value(const std::string& name) const {
        auto it = values.find(name);
        return it == values.end() ? nullptr : &it->second;
    }
    const std::vector<std::string>& List(const std::string& name) const {
        static const std::vector<std::string> none;
        auto it = lists.find(name);
        return it == lists.end() ? none : it->second;
    }
    // "vendu search", the start of every message of the command.
    std::string Who() const { return "vendu " + command; }
};

// Every command, in the order the help lists them.
const std::vector<CommandSpec>& CommandTable();
const CommandSpec* FindCommand(const std::string& name);
// Every option a command takes: its own, --wait where it opens files, -h and -V.
std::vector<OptionSpec> AllOptions(const CommandSpec& command);

enum class Parsed { run, help, version, usageError };

// Reads a command's words (after its name) by its table entry. A usage error leaves the
// reason in error ("unknown option --x").
Parsed ParseCommandLine(const CommandSpec& command, const std::vector<std::string>& args,
                        Options& out, std::string& error);

// The help texts, UTF-8, each ending with a line break.
std::string CommandHelp(const CommandSpec& command);
std::string ToolHelp();
// "usage: vendu search [OPTIONS] FILE KEYWORD\n"
std::string UsageLine(const CommandSpec& command);

// Writes "vendu COMMAND: error", the usage and where to read more to standard error; the
// exit status of a usage error.
int UsageError(const Options& options, const std::string& error);

} // namespace vendu
