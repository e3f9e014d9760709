// vendu: checks, searches, adds to, exports and imports entry files from a terminal.
#include "tools/vendu/Commands.h"
#include "tools/vendu/Console.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
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
  export FILE --format=csv|jsonl
                              write all entries to standard output
  import IN --into FILE       append the rows of a CSV or JSON Lines file

Entry files hold code page 936 bytes. Text on the command line and on the terminal is in
the terminal's encoding, CSV and JSON Lines are UTF-8; --raw (where offered) passes entry
bytes unchanged instead.

Exit status: 0 done, 1 findings / no match / refused input, 2 error.
'vendu help COMMAND' or 'vendu COMMAND --help' describes a command.
)HELP";

struct CommandHelp {
    const char* name;
    int (*run)(const std::vector<std::string>&);
    const char* help;
};

const CommandHelp kCommands[] = {
    {"check", RunCheck,
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

Exit status: 0 clean, 1 findings, 2 a file is missing or unreadable.
)HELP"},
    {"search", RunSearch,
     R"HELP(usage: vendu search [--count] [--raw] FILE KEYWORD

Finds the entries whose question, or else answer, holds KEYWORD, exactly as the program
does (bytes compared, case kept, a match starts on a character boundary, the empty keyword
matches every entry), in file order. Prints one line per match, "N: question/answer", with
line breaks, tabs and backslashes shown as \r \n \t \\, then the program's match caption.

  --count  print only the number of matches
  --raw    take KEYWORD as code page 936 bytes and print entry bytes unchanged

Exit status: 0 matches found, 1 none, 2 error.
)HELP"},
    {"add", RunAdd,
     R"HELP(usage: vendu add FILE (--question TEXT | --question-file PATH)
                     (--answer TEXT | --answer-file PATH) [--raw]

Appends one entry to an existing entry file, as the program's Add dialog does: the same six
checks with the same messages, the same record bytes, the file opened with no sharing. A
failed or short write cuts the file back to its previous length and says so.

  --question-file, --answer-file  read the text from a file ('-' standard input), UTF-8,
                                  taken whole: a final line break is part of the text
  --raw                           texts are code page 936 bytes already

Exit status: 0 added, 1 refused by a check, 2 error (nothing added).
)HELP"},
    {"export", RunExport,
     R"HELP(usage: vendu export FILE --format=csv|jsonl [--raw]

Writes every entry to standard output, without the line breaks the record puts around the
texts, so that importing the output into an empty file rebuilds a file of written records
byte for byte.

  csv    UTF-8, a header row "question,answer", every field quoted, rows end with CR LF
  jsonl  one object per line: {"question": "...", "answer": "..."}; a text that does not
         convert to UTF-8 exactly goes as "question_base64" / "answer_base64" (its bytes)
  --raw  csv: code page 936 bytes unchanged; jsonl: every text as *_base64

Exit status: 0 written, 1 a text does not convert (csv; nothing written), 2 error.
)HELP"},
    {"import", RunImport,
     R"HELP(usage: vendu import IN.csv|IN.jsonl --into FILE [--format=csv|jsonl] [--raw] [--skip-bad]

Appends the rows of IN (the formats of export; '-' reads standard input with --format) to an
existing entry file. Every row goes through the six checks; refused rows are reported by
number (CSV: spreadsheet row, header included; JSON Lines: line). Nothing is appended unless
every row passes; all rows go in one write, cut back if it fails.

  --skip-bad  append the good rows and list the refused ones
  --raw       CSV fields and JSON strings are code page 936 bytes already

Exit status: 0 all appended, 1 rows refused, 2 error.
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

int Run(const std::vector<std::string>& args) {
    if (args.empty()) {
        WriteText(stderr, kHelp);
        return kExitError;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || (command == "help" && args.size() == 1)) {
        PrintHelp(kHelp);
        return kExitOk;
    }
    if (command == "--version") {
        WriteText(stdout, "vendu " VORNA_VERSION "\n");
        return kExitOk;
    }
    const std::string& wanted = command == "help" ? args[1] : command;
    for (const CommandHelp& c : kCommands) {
        if (wanted != c.name)
            continue;
        if (command == "help") {
            PrintHelp(c.help);
            return kExitOk;
        }
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        for (const std::string& arg : rest) {
            if (arg == "--")
                break;
            if (arg == "--help") {
                PrintHelp(c.help);
                return kExitOk;
            }
        }
        return c.run(rest);
    }
    WriteText(stderr, "vendu: unknown command \"" + wanted + "\"; try 'vendu --help'\n");
    return kExitError;
}

} // namespace vendu

#ifdef _WIN32

int wmain(int argc, wchar_t** argv) {
    vendu::InitConsole();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const int length = static_cast<int>(wcslen(argv[i]));
        const int n =
            WideCharToMultiByte(CP_UTF8, 0, argv[i], length, nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
        if (n > 0)
            WideCharToMultiByte(CP_UTF8, 0, argv[i], length, &utf8[0], n, nullptr, nullptr);
        args.push_back(std::move(utf8));
    }
    const int status = vendu::Run(args);
    std::fflush(stdout);
    return status;
}

#else

int main(int argc, char** argv) {
    // A file-size limit must make a write fail (and be undone), not end the process half way.
    std::signal(SIGXFSZ, SIG_IGN);
    vendu::InitConsole();
    const int status = vendu::Run(std::vector<std::string>(argv + 1, argv + argc));
    std::fflush(stdout);
    return status;
}

#endif
