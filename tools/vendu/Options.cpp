// The command-line parser (getopt_long, which both the C library of Linux and mingw-w64's
// have) and the help made from the table of commands.
#include "tools/vendu/Options.h"

#include "tools/vendu/Console.h"

#include <getopt.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vendu {

namespace {

constexpr int kHelpColumn = 24;

// What every command takes besides its own options.
const OptionSpec kWaitOption = {
    "wait", 0, "SECONDS",
    "wait up to SECONDS for a file that another program holds\n(default 5, decimals allowed, 0: "
    "try once)"};
const OptionSpec kHelpOption = {"help", 'h', nullptr, "show this help and exit"};
const OptionSpec kVersionOption = {"version", 'V', nullptr, "show the version and exit"};

bool ParseWait(const std::string& text, double& seconds) {
    char* end = nullptr;
    seconds = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0' && std::isfinite(seconds) && seconds >= 0 &&
           seconds <= 24 * 3600;
}

// Why getopt_long stopped at word (a long option, "--name" or "--name=value"), in words.
std::string LongOptionProblem(const std::vector<OptionSpec>& options, const std::string& word) {
    if (word.compare(0, 2, "--") != 0)
        return "unknown option " + word;
    const std::size_t equals = word.find('=');
    const std::string name = word.substr(2, equals == std::string::npos ? equals : equals - 2);
    std::vector<const OptionSpec*> candidates;
    for (const OptionSpec& o : options) {
        if (o.name == name) {
            candidates.assign(1, &o);
            break;
        }
        if (std::strncmp(o.name, name.c_str(), name.size()) == 0)
            candidates.push_back(&o);
    }
    if (candidates.empty())
        return "unknown option --" + name;
    if (candidates.size() > 1) {
        std::string list;
        for (const OptionSpec* o : candidates)
            list += std::string(list.empty() ? "" : ", ") + "--" + o->name;
        return "option --" + name + " is ambiguous (" + list + ")";
    }
    const OptionSpec& o = *candidates[0];
    if (!o.value)
        return std::string("option --") + o.name + " takes no value";
    return std::string("option --") + o.name + " needs a value";
}

std::string ShortOptionProblem(const std::vector<OptionSpec>& options, int letter) {
    for (const OptionSpec& o : options) {
        if (o.letter && o.letter == letter)
            return std::string("option -") + o.letter + " needs a value";
    }
    if (letter > 0x20 && letter < 0x7F)
        return std::string("unknown option -") + static_cast<char>(letter);
    return "unknown option";
}

// "  -c, --count" / "      --wait=SECONDS" / "      --color[=WHEN]"
std::string OptionForm(const OptionSpec& o) {
    std::string form = o.letter ? std::string("  -") + o.letter + ", " : std::string(6, ' ');
    form += std::string("--") + o.name;
    if (o.value)
        form += o.valueOptional ? std::string("[=") + o.value + "]" : std::string("=") + o.value;
    return form;
}

// Lines of text, each indented by indent (the first by firstIndent), ending with a break.
std::string Indented(const char* text, std::size_t indent, std::size_t firstIndent) {
    std::string out(firstIndent, ' ');
    for (const char* p = text; *p; ++p) {
        out += *p;
        if (*p == '\n' && p[1])
            out.append(indent, ' ');
    }
    if (out.empty() || out.back() != '\n')
        out += '\n';
    return out;
}

std::string OptionLines(const std::vector<OptionSpec>& options) {
    std::string out;
    for (const OptionSpec& o : options) {
        const std::string form = OptionForm(o);
        out += form;
        if (form.size() + 2 <= kHelpColumn) {
            out += Indented(o.help, kHelpColumn, kHelpColumn - form.size());
        } else {
            out += '\n';
            out += Indented(o.help, kHelpColumn, kHelpColumn);
        }
    }
    return out;
}

} // namespace

std::vector<OptionSpec> AllOptions(const CommandSpec& command) {
    std::vector<OptionSpec> all = command.options;
    if (command.opensFiles)
        all.push_back(kWaitOption);
    all.push_back(kHelpOption);
    all.push_back(kVersionOption);
    return all;
}

const CommandSpec* FindCommand(const std::string& name) {
    for (const CommandSpec& c : CommandTable()) {
        if (name == c.name)
            return &c;
    }
    return nullptr;
}

Parsed ParseCommandLine(const CommandSpec& command, const std::vector<std::string>& args,
                        Options& out, std::string& error) {
    out.command = command.name;
    const std::vector<OptionSpec> options = AllOptions(command);
    std::string shortOptions;
    std::vector<option> longOptions;
    for (std::size_t i = 0; i < options.size(); ++i) {
        const OptionSpec& o = options[i];
        const int has = !o.value          ? no_argument
                        : o.valueOptional ? optional_argument
                                          : required_argument;
        longOptions.push_back({o.name, has, nullptr, static_cast<int>(256 + i)});
        if (o.letter)
            shortOptions += std::string(1, o.letter) + (has == no_argument         ? ""
                                                        : has == optional_argument ? "::"
                                                                                   : ":");
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});

    // getopt_long reorders the words it is given, so it gets copies.
    std::vector<std::string> words = {"vendu " + out.command};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(&w[0]);
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());

    opterr = 0; // its own messages are not in vendu's form
    optind = 0; // 0 starts it afresh, also after an earlier parse
    Parsed outcome = Parsed::run;
    for (;;) {
        const int got =
            getopt_long(argc, argv.data(), shortOptions.c_str(), longOptions.data(), nullptr);
        if (got == -1)
            break;
        const OptionSpec* o = nullptr;
        if (got >= 256) {
            o = &options[static_cast<std::size_t>(got - 256)];
        } else {
            for (const OptionSpec& each : options) {
                if (each.letter && each.letter == got && got != '?')
                    o = &each;
            }
        }
        if (!o) {
            // A long option's fault leaves optopt 0 or the option's number, and the word just
            // behind optind; a short option's leaves its letter.
            error = optopt == 0 || optopt >= 256 ? LongOptionProblem(options, argv[optind - 1])
                                                 : ShortOptionProblem(options, optopt);
            return Parsed::usageError;
        }
        const std::string name = std::string("--") + o->name;
        if (o == &options[options.size() - 2]) {
            outcome = Parsed::help;
        } else if (o == &options[options.size() - 1]) {
            if (outcome == Parsed::run)
                outcome = Parsed::version;
        } else if (!o->value) {
            out.flags.insert(name);
        } else if (o->repeatable) {
            out.lists[name].push_back(optarg ? optarg : "");
        } else if (out.values.count(name)) {
            error = "option " + name + " is given twice";
            return Parsed::usageError;
        } else {
            out.values[name] = optarg ? optarg : "";
        }
    }
    for (int i = optind; i < argc; ++i)
        out.positional.push_back(argv[static_cast<std::size_t>(i)]);
    if (outcome != Parsed::run)
        return outcome;
    const std::string* wait = out.Value("--wait");
    if (wait && !ParseWait(*wait, out.waitSeconds)) {
        error = "--wait takes a number of seconds, 0 or more";
        return Parsed::usageError;
    }
    return Parsed::run;
}

std::string UsageLine(const CommandSpec& command) {
    return Indented(
        (std::string("Usage: vendu ") + command.name + " [OPTIONS] " + command.operands).c_str(),
        std::strlen("Usage: vendu ") + std::strlen(command.name) + 1, 0);
}

std::string CommandHelp(const CommandSpec& command) {
    return UsageLine(command) + command.summary + "\n\n" + Indented(command.description, 0, 0) +
           "\nOptions:\n" + OptionLines(AllOptions(command)) +
           "\nExit status: " + Indented(command.exitStatus, 2, 0);
}

std::string ToolHelp() {
    std::string out = "Usage: vendu COMMAND [OPTIONS] [ARGUMENTS]\n"
                      "Checks, searches and edits entry files (.vendu) from a terminal.\n\n"
                      "Commands:\n";
    std::size_t width = 0;
    for (const CommandSpec& c : CommandTable())
        width = std::max(width, std::strlen(c.name));
    for (const CommandSpec& c : CommandTable())
        out += "  " + std::string(c.name) + std::string(width + 2 - std::strlen(c.name), ' ') +
               c.summary + "\n";
    out += "  help" + std::string(width - 2, ' ') + "describe a command: vendu help COMMAND\n";
    out += "\nOptions:\n" + OptionLines({kHelpOption, kVersionOption});
    out += R"(
'vendu COMMAND --help' describes a command. Options come before or after the
other words; short options bundle (-ic); '--' ends the options, so
'vendu search FILE -- -x' looks for "-x"; the word after an option that takes a
value is always its value.

Entry files hold code page 936 bytes. Text on the command line and on the
terminal is in the terminal's encoding, CSV and JSON are UTF-8; --raw (where
offered) passes entry bytes unchanged instead. FILE '-' reads standard input
where a command says so.

Readers share a file with one another; commands that change a file hold it alone
while they write. A file that another program holds is waited for: --wait
SECONDS, on every command that opens files (default 5, 0: not at all).

fix, convert, dedupe, rm, edit and merge change a file as a whole: the new
version is written beside it and flushed to the disk, the old one is kept as
FILE.bak, the ones before it as FILE.bak.1, FILE.bak.2 (--backups N versions, 3
by default; --no-backup none), and the new one is renamed over it; if anything
fails, the file is left as it was. Given FILE '-', they are filters: standard
input in, the changed file on standard output.

Messages go to standard error as 'vendu COMMAND: FILE: what happened'.

Exit status:
  0  done
  1  findings, no match or refused input
  2  an error: a usage error, a file that cannot be read or written, a file in
     use, out of memory, or standard output that cannot be written
)";
    return out;
}

int UsageError(const Options& options, const std::string& error) {
    const CommandSpec* command = FindCommand(options.command);
    WriteText(stderr, options.Who() + ": " + EscapeControls(error, false) + "\n" +
                          (command ? UsageLine(*command) : std::string()) + "Try '" +
                          options.Who() + " --help' for more.\n");
    return kExitError;
}

} // namespace vendu
