// vendu: checks, searches, adds to, exports and imports entry files from a terminal.
#include "tools/vendu/Commands.h"
#include "tools/vendu/Console.h"

#include "text/Convert.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#ifndef _WIN32
#include <csignal>
#endif

namespace vendu {

namespace {

const char* const kHelp =
    R"HELP(vendu - check, search and edit entry files (.vendu) from a terminal

usage: vendu COMMAND [OPTIONS] ...

commands:
  check FILE...               report what the reader drops or keeps by accident
  search FILE KEYWORD         list the entries that the program's search finds
  add FILE --question .. --answer ..
                              append one entry, with the program's checks
  export FILE --format=csv|jsonl|html|md
                              write all entries to standard output
  import IN --into FILE       append the rows of a CSV or JSON Lines file
  fix FILE                    mend what check finds and has one sound mend for
  convert FILE                turn a UTF-8 file into code page 936
  dedupe FILE                 remove the exact repeats of earlier entries
  rm FILE N...                remove entries by number
  edit FILE N --question .. --answer ..
                              change an entry, with the program's checks
  merge FILE... --into FILE   append the entries of other entry files
  stats FILE                  count entries, bytes, repeats and findings

Entry files hold code page 936 bytes. Text on the command line and on the terminal is in
the terminal's encoding, CSV and JSON Lines are UTF-8; --raw (where offered) passes entry
bytes unchanged instead.

Readers (check, search, export, and the inputs of add and import) share a file with one
another; add and import hold their target alone while they append. A file that another
program holds is waited for: --wait SECONDS, on every command (default 5, 0: not at all).

The editing commands (fix, convert, dedupe, rm, edit, merge) write the whole new file beside
the old one, flush it to the disk and put it in the old one's place, holding the file alone
meanwhile; the old version stays as FILE.bak unless --no-backup is given. If anything fails,
the file is left as it was.

Exit status: 0 done, 1 findings / no match / refused input, 2 error (also a file in use,
out of memory, or standard output that cannot be written).
'vendu help COMMAND' or 'vendu COMMAND --help' describes a command.
)HELP";

struct CommandHelp {
    const char* name;
    int (*run)(const Options&);
    std::set<std::string> withValue; // options that take a value, besides --wait
    std::set<std::string> flags;     // options without one, besides --help
    const char* help;                // begins with the usage, up to the first blank line
};

const CommandHelp kCommands[] = {
    {"check",
     RunCheck,
     {"--format"},
     {},
     R"HELP(usage: vendu check [--format=text|json] FILE...

Reads each file as the program does and reports, as FILE:LINE:COLUMN: kind: message [code]
(lines counted by LF, columns by byte, both from 1):
  error    lost-entry               a question marker with no answer marker before the next
                                    question marker or the end: the entry is dropped
  warning  preamble-text            text before the first question marker (ignored)
  warning  preamble-answer-marker   an answer marker before the first question marker
  warning  answer-marker-in-answer  a second answer marker, kept as answer text
  warning  look-alike-marker        "(%q%)", "(%a%)", full-width forms, a marker missing one
                                    of its five signs: plain text, not a marker
  warning  nul-bytes                NUL bytes
  warning  empty-question, blank-question, empty-answer, blank-answer
  warning  invalid-cp936            bytes that form no code page 936 character
  warning  duplicate-entry          the same question and answer as an earlier entry
  warning  looks-like-utf8          the file is UTF-8, not code page 936
and a summary line per file with its entry count.

--format=json writes one JSON document instead: {"files": [{"file", "entries", "errors",
"warnings", "findings": [{"line", "column", "offset", "severity", "code", "entry",
"message"}]}]}; a file that cannot be read has {"file", "error"}.

Exit status: 0 clean, 1 findings, 2 a file is missing, in use, unreadable or bigger than
memory, or the report cannot be written.
)HELP"},
    {"search",
     RunSearch,
     {},
     {"--count", "--raw"},
     R"HELP(usage: vendu search [--count] [--raw] FILE KEYWORD

Finds the entries whose question, or else answer, holds KEYWORD, exactly as the program
does (bytes compared, case kept, a match starts on a character boundary, the empty keyword
matches every entry), in file order. Prints one line per match, "N: question/answer", with
line breaks, tabs and backslashes shown as \r \n \t \\, then the program's match caption.

  --count  print only the number of matches
  --raw    take KEYWORD as code page 936 bytes and print entry bytes unchanged

Exit status: 0 matches found, 1 none, 2 error.
)HELP"},
    {"add",
     RunAdd,
     {"--question", "--question-file", "--answer", "--answer-file"},
     {"--raw"},
     R"HELP(usage: vendu add FILE (--question TEXT | --question-file PATH)
                     (--answer TEXT | --answer-file PATH) [--raw]

Appends one entry to an existing entry file, as the program's Add dialog does: the same six
checks with the same messages, the same record bytes, the file held alone meanwhile. Texts
with control characters other than tab, CR and LF are refused too. The record is on the disk
when vendu says it was added. A failed or short write cuts the file back to its previous
length and says so; when another program wrote to the file meanwhile, nothing is cut and
vendu says that the end of the file needs a look.

  --question-file, --answer-file  read the text from a file ('-' standard input), UTF-8,
                                  taken whole: a final line break is part of the text
  --raw                           texts are code page 936 bytes already

Exit status: 0 added, 1 refused by a check, 2 error (nothing added).
)HELP"},
    {"export",
     RunExport,
     {"--format"},
     {"--raw"},
     R"HELP(usage: vendu export FILE --format=csv|jsonl|html|md [--raw]

Writes every entry to standard output, without the line breaks the record puts around the
texts, so that importing the output into an empty file rebuilds a file of written records
byte for byte.

  csv    UTF-8, a header row "question,answer", every field quoted, rows end with CR LF
  jsonl  one object per line: {"question": "...", "answer": "..."}; a text that does not
         convert to UTF-8 exactly goes as "question_base64" / "answer_base64" (its bytes)
  html   one page that needs nothing else: every entry, and a search box that shows the
         entries the program would find as you type (question, else answer, holds the
         keyword; case counts); prints without the box
  md     Markdown: a heading per entry number, the question, the answer as a quote
  --raw  csv: code page 936 bytes unchanged; jsonl: every text as *_base64

Exit status: 0 written, 1 a text does not convert (csv; nothing written), 2 error.
)HELP"},
    {"import",
     RunImport,
     {"--into", "--format"},
     {"--raw", "--skip-bad"},
     R"HELP(usage: vendu import IN.csv|IN.jsonl --into FILE [--format=csv|jsonl] [--raw] [--skip-bad]

Appends the rows of IN (the formats of export; '-' reads standard input with --format) to an
existing entry file. Every row goes through the six checks, and a text with a control
character other than tab, CR and LF is refused; refused rows are reported by number (CSV:
spreadsheet row, header included; JSON Lines: line). Nothing is appended unless every row
passes; all rows go in one write, undone as add's is if it fails.

  --skip-bad  append the good rows and list the refused ones
  --raw       CSV fields and JSON strings are code page 936 bytes already

Exit status: 0 all appended, 1 rows refused, 2 error.
)HELP"},
    {"fix",
     RunFix,
     {},
     {"--dry-run", "--no-backup"},
     R"HELP(usage: vendu fix [--dry-run] [--no-backup] FILE

Mends what check reports and has one sound mend, and lists each mend as
FILE:LINE:COLUMN: mended: what [code]:
  lost-entry      a lost question gets an empty answer right after its text, so the program
                  shows it and nothing of it is dropped
  nul-bytes       NUL bytes are removed (kept where removing them would make a marker)
  lf-line-breaks  a line break of a lone LF becomes CR LF
What has no sound mend is listed as "left" and left as it is: look-alike markers, text or
answer markers before the first question, an answer marker inside an answer, a blank lost
question, bytes that are not code page 936, repeats ('vendu dedupe') and a UTF-8 file
('vendu convert').

  --dry-run    list the mends, write nothing
  --no-backup  keep no FILE.bak

Exit status: 0 nothing is left (and, with --dry-run, nothing to mend), 1 findings left or
mends to make with --dry-run, 2 error (the file is left as it was).
)HELP"},
    {"convert",
     RunConvert,
     {},
     {"--no-backup"},
     R"HELP(usage: vendu convert [--no-backup] FILE

Turns an entry file saved as UTF-8 (with or without a byte-order mark, as Notepad saves it)
into code page 936, the encoding the program reads. Refuses, naming each place as
FILE:LINE:COLUMN, the characters that code page 936 cannot hold, and a file that is not
UTF-8; nothing is written then. A file of ASCII only is the same in both and stays as it is.

  --no-backup  keep no FILE.bak

Exit status: 0 converted or nothing to convert, 1 refused, 2 error.
)HELP"},
    {"dedupe",
     RunDedupe,
     {},
     {"--dry-run", "--no-backup"},
     R"HELP(usage: vendu dedupe [--dry-run] [--no-backup] FILE

Removes every entry that repeats an earlier one exactly (check's duplicate-entry: the same
question and answer), keeping the first, and lists each.

  --dry-run    list them, write nothing
  --no-backup  keep no FILE.bak

Exit status: 0 done (or no repeats), 1 repeats to remove with --dry-run, 2 error.
)HELP"},
    {"rm",
     RunRemove,
     {},
     {"--no-backup"},
     R"HELP(usage: vendu rm [--no-backup] FILE N...

Removes the entries numbered N (counted from 1 in file order, as search -n and show number
them), each from its question marker to the next; removing the last record gives back the
file as it was before that record was added. Lists each entry removed.

  --no-backup  keep no FILE.bak

Exit status: 0 removed, 1 no such entry (nothing removed), 2 error.
)HELP"},
    {"edit",
     RunEdit,
     {"--question", "--question-file", "--answer", "--answer-file"},
     {"--raw", "--no-backup"},
     R"HELP(usage: vendu edit FILE N [--question TEXT | --question-file PATH]
                       [--answer TEXT | --answer-file PATH] [--raw] [--no-backup]

Changes the question, the answer or both of entry N (counted from 1), keeping the line
breaks around them as they were. The entry as it will be goes through the six checks of the
program's Add dialog, with its messages; a new text with a control character other than tab,
CR and LF is refused too. The texts are taken as add takes them.

  --no-backup  keep no FILE.bak

Exit status: 0 changed, 1 refused or no such entry (nothing changed), 2 error.
)HELP"},
    {"merge",
     RunMerge,
     {"--into"},
     {"--dedupe", "--no-backup"},
     R"HELP(usage: vendu merge FILE... --into FILE [--dedupe] [--no-backup]

Appends the entries of the entry files given to the one after --into, in order, each as add
writes a record, so that each reads back with the texts it had.

  --dedupe     skip an entry whose question and answer are in the target already, or were
               added before it
  --no-backup  keep no FILE.bak

Exit status: 0 done, 2 error (nothing added).
)HELP"},
    {"stats",
     RunStats,
     {},
     {"--json"},
     R"HELP(usage: vendu stats [--json] FILE

Counts the entries and bytes of an entry file, names its largest entry (bytes from its
question marker to the next), and counts the entries that repeat an earlier one and check's
errors and warnings.

  --json  one JSON object: {"file", "entries", "bytes", "largest_entry",
          "largest_entry_bytes", "repeats", "errors", "warnings"}

Exit status: 0 done, 2 error.
)HELP"},
};

void PrintHelp(const char* text) {
    WriteText(stdout, text);
}

} // namespace

bool ParseOptions(const std::vector<std::string>& args, const std::set<std::string>& withValue,
                  const std::set<std::string>& flags, Options& out, std::string& error) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            out.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (flags.count(name) && equals == std::string::npos) {
            out.flags.insert(name);
        } else if (withValue.count(name)) {
            if (out.values.count(name)) {
                error = name + " is given twice";
                return false;
            }
            if (equals != std::string::npos) {
                out.values[name] = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                out.values[name] = args[++i];
            } else {
                error = name + " needs a value";
                return false;
            }
        } else {
            error = "unknown option " + name;
            return false;
        }
    }
    return true;
}

namespace {

// Flushes and closes standard output and turns a failure into the exit status. A reader that
// went away (a closed pipe) ends vendu quietly.
int Finish(const std::string& who, int status) {
    std::string reason;
    bool brokenPipe = false;
    if (CloseStandardOutput(reason, brokenPipe))
        return status;
    if (!brokenPipe)
        WriteText(stderr, who + ": writing standard output failed: " + reason + "\n");
    return kExitError;
}

// The usage lines at the head of a command's help.
std::string UsageOf(const CommandHelp& c) {
    const std::string help = c.help;
    return help.substr(0, help.find("\n\n") + 1);
}

bool ParseWait(const std::string& text, double& seconds) {
    char* end = nullptr;
    seconds = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0' && std::isfinite(seconds) && seconds >= 0 &&
           seconds <= 24 * 3600;
}

int RunCommand(const CommandHelp& c, const std::vector<std::string>& args) {
    const std::string who = std::string("vendu ") + c.name;
    std::set<std::string> withValue = c.withValue, flags = c.flags;
    withValue.insert("--wait");
    flags.insert("--help");
    Options options;
    std::string error;
    const bool parsed = ParseOptions(args, withValue, flags, options, error);
    if (options.Has("--help")) {
        PrintHelp(c.help);
        return kExitOk;
    }
    const std::string* wait = options.Value("--wait");
    if (parsed && wait && !ParseWait(*wait, options.waitSeconds))
        error = "--wait takes a number of seconds, 0 or more";
    if (!error.empty()) {
        WriteText(stderr, who + ": " + error + "\n" + UsageOf(c));
        return kExitError;
    }
    try {
        return c.run(options);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    WriteText(stderr, who + ": out of memory: the data does not fit in memory\n");
    return kExitError;
}

} // namespace

int Run(const std::vector<std::string>& args) {
    if (args.empty()) {
        WriteText(stderr, kHelp);
        return kExitError;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || (command == "help" && args.size() == 1)) {
        PrintHelp(kHelp);
        return Finish("vendu", kExitOk);
    }
    if (command == "--version") {
        WriteText(stdout, "vendu " VORNA_VERSION "\n");
        return Finish("vendu", kExitOk);
    }
    const std::string& wanted = command == "help" ? args[1] : command;
    for (const CommandHelp& c : kCommands) {
        if (wanted != c.name)
            continue;
        if (command == "help") {
            PrintHelp(c.help);
            return Finish("vendu", kExitOk);
        }
        const int status = RunCommand(c, std::vector<std::string>(args.begin() + 1, args.end()));
        return Finish(std::string("vendu ") + c.name, status);
    }
    WriteText(stderr, "vendu: unknown command \"" + wanted + "\"; try 'vendu --help'\n");
    return kExitError;
}

} // namespace vendu

#ifdef _WIN32

int wmain(int argc, wchar_t** argv) {
    vendu::InitConsole();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(vorna::FromWide(argv[i], vorna::Encoding::utf8).text);
    return vendu::Run(args);
}

#else

int main(int argc, char** argv) {
    // A file-size limit must make a write fail (and be undone), not end the process half way.
    std::signal(SIGXFSZ, SIG_IGN);
    vendu::InitConsole();
    return vendu::Run(std::vector<std::string>(argv + 1, argv + argc));
}

#endif
