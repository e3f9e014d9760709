// The commands of vendu with their options and help: the one place each command's help is
// written. A new command is one more entry here and its Run function.
#include "tools/vendu/Commands.h"

namespace vendu {

const std::vector<CommandSpec>& CommandTable() {
    static const std::vector<CommandSpec> table = {
        {"check",
         "FILE...",
         "report what the reader drops or keeps by accident",
         R"HELP(Reads each file as the program does and reports each finding as
FILE:LINE:COLUMN: error|warning: message [code] (lines counted by LF, columns
by byte, both from 1), then a line per file with its entry count, and with
several files a total. The error:
  lost-entry               a question marker with no answer marker before the
                           next question marker or the end: the entry is lost
The warnings:
  preamble-text            text before the first question marker (ignored)
  preamble-answer-marker   an answer marker before the first question marker
  answer-marker-in-answer  a second answer marker, kept as answer text
  look-alike-marker        "(%q%)", "(%a%)", full-width forms, a marker missing
                           one of its five signs: plain text, not a marker
  nul-bytes                NUL bytes
  empty-question, blank-question, empty-answer, blank-answer
  invalid-cp936            bytes that form no code page 936 character (GBK file)
  invalid-utf8             bytes that form no UTF-8 character (UTF-8 file)
  duplicate-entry          the same question and answer as an earlier entry
  mixed-encoding           entries in UTF-8 in a GBK file, or in GBK in a UTF-8
                           one: the first named, with how many
Each file is read in its encoding (UTF-8, UTF-16, GBK), decided from its bytes.
FILE '-' reads standard input.
)HELP",
         {{"json", 0, nullptr,
           "one JSON document: {\"files\": [{\"file\", \"entries\",\n"
           "\"errors\", \"warnings\", \"findings\": [{\"line\",\n"
           "\"column\", \"offset\", \"severity\", \"code\", \"entry\",\n"
           "\"message\"}]}], \"total\": {\"files\", \"entries\",\n"
           "\"errors\", \"warnings\", \"unread\"}}; a file that cannot be\n"
           "read has {\"file\", \"error\"}"},
          {"jsonl", 0, nullptr, "one JSON object a line: each file's, as --json has it"},
          {"format", 0, "text|json", "text (the default), or json: as --json"},
          {"quiet", 'q', nullptr, "print nothing; the exit status tells"}},
         "0 clean, 1 findings, 2 a file is missing, in use, unreadable or\n"
         "bigger than memory, or the report cannot be written",
         RunCheck,
         true},
        {"search",
         "FILE|FOLDER... KEYWORD",
         "list the entries that the program's search finds",
         R"HELP(Finds the entries whose question, or else answer, holds KEYWORD, exactly as the
program does (bytes compared, case kept, a match starts on a character boundary,
the empty keyword matches every entry), and prints one line each, in file order:
the entry's result-list line (question/answer) with each run of line breaks
shown as one space and the ends trimmed. On a terminal the program's caption
follows (【KEYWORD】共用N条搜索结果); elsewhere it goes to standard error, so
that standard output holds the matches alone. FILE '-' reads standard input.
'vendu show FILE N' prints entry N whole.
Any number of files and folders: a folder is searched through, with the folders
in it, for *.vendu files (by name in each folder; hidden files and folders,
backups *.bak and links to folders left out). With more than one file or a
folder, each line begins with FILE: (as grep). Each file is read in its own
encoding and KEYWORD turned into it. The caption comes only for one file and
one KEYWORD, without -v.
)HELP",
         {{"keyword", 'e', "KEYWORD",
           "a keyword, again for more: entries with any of them;\n"
           "then every other word names a file or folder",
           false, true},
          {"count", 'c', nullptr,
           "print only the number of matching entries (FILE:COUNT\nfor several files)"},
          {"files-with-matches", 'l', nullptr, "print only the names of files with a match"},
          {"files-without-match", 'L', nullptr, "print only the names of files without one"},
          {"null", 'Z', nullptr, "end each file name with a NUL byte, not ':' or a line\nbreak"},
          {"with-filename", 'H', nullptr, "begin each line with FILE: for one file too"},
          {"no-filename", 0, nullptr, "never begin lines with FILE:"},
          {"glob", 0, "GLOB",
           "in folders, search the files whose names match GLOB\n"
           "(* ? [a-z]) instead of *.vendu; again for more",
           false, true},
          {"ignore-case", 'i', nullptr,
           "letters match in either case: ASCII and full-width\n"
           "Latin (Ａ/ａ) (the program's search keeps case)"},
          {"smart-case", 'S', nullptr, "as -i for a keyword without an upper-case letter"},
          {"word", 'w', nullptr,
           "whole words: a keyword end that is a letter, digit or\n"
           "'_' meets none; a CJK end meets no CJK character"},
          {"invert", 'v', nullptr, "list the entries that do not match"},
          {"max-count", 'm', "NUM", "take at most NUM matching entries from each file"},
          {"number", 'n', nullptr,
           "begin each line with the entry's number and a colon\n"
           "(\"5:\"), counted from 1: the number show takes"},
          {"quiet", 'q', nullptr,
           "print nothing; the exit status tells whether anything\n"
           "matched (0 at the first match)"},
          {"json", 0, nullptr,
           "one JSON document: {\"files\": [{\"file\", \"matches\":\n"
           "[{\"entry\", \"question\", \"answer\"}], \"count\"}],\n"
           "\"count\", \"errors\"}; the texts whole, as export\n"
           "--format=jsonl writes them; with -c no matches"},
          {"jsonl", 0, nullptr,
           "one JSON object a line: {\"file\", \"entry\",\n"
           "\"question\", \"answer\"} a match ({\"file\", \"count\"}\n"
           "with -c; {\"file\", \"error\"} for a file not read)"},
          {"color", 0, "auto|always|never",
           "mark the keyword; auto (the default): only on a\n"
           "terminal, not when the environment variable NO_COLOR\n"
           "is set nor when TERM is dumb",
           true},
          {"caption", 0, nullptr,
           "print the caption on standard output also when it is\nno terminal"},
          {"raw", 0, nullptr,
           "take KEYWORD as bytes in the file's encoding and\nprint entry bytes unchanged"}},
         "0 matches found (with -L: a file named), 1 none, 2 error\n"
         "(a file or folder that cannot be read: the others are\n"
         "searched all the same)",
         RunSearch,
         true},
        {"show",
         "FILE N...",
         "print entries whole",
         R"HELP(Prints each entry N (counted from 1, as 'search -n' numbers them; N-M is a
range) as the file holds it, in the order given: the question marker, the
question, the answer marker and the answer, with their own line breaks, so that
what it prints is an entry file itself. 'vendu search -n FILE KEYWORD | cut -d:
-f1 | xargs vendu show FILE' shows every match whole. FILE '-' reads standard
input.
)HELP",
         {{"json", 0, nullptr,
           "one JSON document instead: {\"file\": ..., \"entries\":\n"
           "[{\"entry\": N, \"question\": ..., \"answer\": ...}]}"},
          {"jsonl", 0, nullptr, "one JSON object a line instead, as search --json\nwrites it"},
          {"raw", 0, nullptr, "print the entries' bytes unchanged"}},
         "0 shown, 1 the file has no entry N (the others are shown),\n2 error",
         RunShow,
         true},
        {"add",
         "FILE (--question TEXT | --question-file PATH)\n(--answer TEXT | --answer-file PATH)",
         "append one entry, with the program's checks",
         R"HELP(Appends one entry to an existing entry file, as the program's Add dialog does:
the same six checks with the same messages, the same record bytes, the file held
alone meanwhile. Texts with control characters other than tab, CR and LF are
refused too. The record is on the disk when vendu says it was added. A failed or
short write cuts the file back to its previous length and says so; when another
program wrote to the file meanwhile, nothing is cut and vendu says that the end
of the file needs a look.
)HELP",
         {{"question", 0, "TEXT", "the question"},
          {"question-file", 0, "PATH",
           "the question from a file ('-' standard input), UTF-8,\n"
           "taken whole: a final line break is part of the text"},
          {"answer", 0, "TEXT", "the answer"},
          {"answer-file", 0, "PATH", "the answer from a file, as --question-file"},
          {"create", 0, nullptr,
           "make FILE first when it is missing: empty, code page\n936, as a new file is"},
          {"raw", 0, nullptr, "the texts are bytes in the file's encoding already"}},
         "0 added, 1 refused by a check, 2 error (nothing added)",
         RunAdd,
         true},
        {"export",
         "FILE... --format=csv|jsonl|html|md",
         "write every entry as CSV, JSON Lines, an HTML page or Markdown",
         R"HELP(Writes every entry to standard output, without the line breaks the record puts
around the texts, so that importing the output into an empty file rebuilds a
file of written records byte for byte (csv, jsonl). Several files: their
entries one file after another, in the order given (one page, its title the
files' names), each file read in its own encoding. FILE '-' reads standard
input.
)HELP",
         {{"format", 0, "csv|jsonl|html|md",
           "csv: UTF-8, a header row \"question,answer\", every\n"
           "field quoted, rows end with CR LF; jsonl: one object\n"
           "per line, {\"question\": \"...\", \"answer\": \"...\"}; a\n"
           "text that does not convert to UTF-8 exactly goes as\n"
           "\"question_base64\" / \"answer_base64\" (its bytes);\n"
           "html: one page that needs nothing else, with every\n"
           "entry and a search box that shows, as you type, the\n"
           "entries the program finds (question, else answer,\n"
           "holds the keyword; case counts); prints without the\n"
           "box; md: Markdown, a heading per entry number, the\n"
           "question, the answer as a quote"},
          {"raw", 0, nullptr,
           "csv: the entry bytes unchanged; jsonl: every text\nas *_base64 (not for html, "
           "md)"}},
         "0 written, 1 a text does not convert (csv; nothing written),\n2 error",
         RunExport,
         true},
        {"import",
         "IN.csv|IN.jsonl --into FILE",
         "append the rows of a CSV or JSON Lines file",
         R"HELP(Appends the rows of IN (the formats of export; '-' reads standard input with
--format) to an existing entry file. Every row goes through the six checks, and
a text with a control character other than tab, CR and LF is refused; refused
rows are reported by number (CSV: spreadsheet row, header included; JSON Lines:
line). Nothing is appended unless every row passes; all rows go in one write,
undone as add's is if it fails.
)HELP",
         {{"into", 0, "FILE", "the entry file to append to"},
          {"format", 0, "csv|jsonl", "the input's format (default: from its extension)"},
          {"skip-bad", 0, nullptr, "append the good rows and list the refused ones"},
          {"create", 0, nullptr,
           "make the file of --into first when it is missing, as\nadd --create does"},
          {"raw", 0, nullptr,
           "CSV fields and JSON strings are bytes in the file's\nencoding already"}},
         "0 all appended, 1 rows refused, 2 error",
         RunImport,
         true},
        {"fix",
         "FILE",
         "mend what check finds and has one sound mend for",
         R"HELP(Mends what check reports and has one sound mend, and lists each mend as
FILE:LINE:COLUMN: mended: what [code]:
  lost-entry      a lost question gets an empty answer right after its text,
                  so the program shows it and nothing of it is dropped
  nul-bytes       NUL bytes go (kept where removing them would make a marker)
  lf-line-breaks  a line break of a lone LF becomes CR LF
  mixed-encoding  an entry in the other encoding is converted to the file's,
                  when it cannot be read in the file's encoding, converts
                  exactly and holds no NUL byte
What has no sound mend is listed as "left" and left as it is: look-alike
markers, text or answer markers before the first question, an answer marker
inside an answer, a blank lost question, bytes that are not characters, an
entry that reads both as GBK and as UTF-8, and repeats ('vendu dedupe').
The file changes as a whole: the new version is written beside it and flushed
to the disk, the old one kept as FILE.bak, and the new one renamed over it
while the file is held alone; if anything fails, the file is left as it was.
FILE '-' reads standard input and writes the file as mended to standard output,
the report to standard error.
)HELP",
         {{"dry-run", 0, nullptr, "list the mends, write nothing"},
          {"no-backup", 0, nullptr, "keep no FILE.bak"},
          {"backups", 0, "N",
           "keep N old versions, newest first: FILE.bak,\nFILE.bak.1, ... (default 3)"}},
         "0 nothing is left (and, with --dry-run, nothing to mend),\n"
         "1 findings left, or mends to make with --dry-run, 2 error\n"
         "(the file as it was)",
         RunFix,
         true},
        {"convert",
         "FILE",
         "convert an entry file between UTF-8 and GBK",
         R"HELP(With --to gbk (the default), turns an entry file saved as UTF-8 (with or
without a byte-order mark) or UTF-16 into GBK, code page 936. Refuses, naming
each place as FILE:LINE:COLUMN with its entry, the characters that GBK cannot
hold, and a file that is not UTF-8; nothing is written then. A file of ASCII
only is the same in both and stays as it is. With --to utf-8, turns a GBK or
UTF-16 file into UTF-8, with a byte-order mark only where without one it would
be read as GBK (no character of three or four bytes). The file changes as fix
changes it, keeping the old version as FILE.bak; FILE '-' is a filter, as for
fix.
)HELP",
         {{"to", 0, "utf-8|gbk", "the encoding to convert to (gbk by default)"},
          {"no-backup", 0, nullptr, "keep no FILE.bak"},
          {"backups", 0, "N",
           "keep N old versions, newest first: FILE.bak,\nFILE.bak.1, ... (default 3)"}},
         "0 converted or nothing to convert, 1 refused, 2 error",
         RunConvert,
         true},
        {"dedupe",
         "FILE",
         "remove the entries that repeat an earlier one",
         R"HELP(Removes every entry that repeats an earlier one exactly (check's
duplicate-entry: the same question and answer), keeping the first, and lists
each. The file changes as fix changes it, keeping the old version as FILE.bak;
FILE '-' is a filter, as for fix.
)HELP",
         {{"dry-run", 0, nullptr, "list them, write nothing"},
          {"no-backup", 0, nullptr, "keep no FILE.bak"},
          {"backups", 0, "N",
           "keep N old versions, newest first: FILE.bak,\nFILE.bak.1, ... (default 3)"}},
         "0 done or no repeats, 1 repeats to remove with --dry-run,\n2 error",
         RunDedupe,
         true},
        {"rm",
         "FILE N...",
         "remove entries by number",
         R"HELP(Removes the entries numbered N (counted from 1 in file order, as 'search -n'
and show number them; N-M is a range), each from its question marker to the
next; removing the last record gives back the file as it was before that record
was added. Lists each entry removed as search lists a match. The file changes
as fix changes it, keeping the old version as FILE.bak; FILE '-' is a filter,
as for fix.
)HELP",
         {{"json", 0, nullptr,
           "report as one JSON document: {\"file\", \"removed\":\n"
           "[{\"entry\", \"question\", \"answer\"}], \"backup\"}"},
          {"no-backup", 0, nullptr, "keep no FILE.bak"},
          {"backups", 0, "N",
           "keep N old versions, newest first: FILE.bak,\nFILE.bak.1, ... (default 3)"}},
         "0 removed, 1 no such entry (nothing removed), 2 error",
         RunRemove,
         true},
        {"edit",
         "FILE N [--question TEXT | --question-file PATH]\n"
         "[--answer TEXT | --answer-file PATH]",
         "change the question or the answer of an entry, with the program's checks",
         R"HELP(Changes the question, the answer or both of entry N (counted from 1), keeping
the line breaks around them as they were. The entry as it will be goes through
the six checks of the program's Add dialog, with its messages; a new text with
a control character other than tab, CR and LF is refused too. The file changes
as fix changes it, keeping the old version as FILE.bak; FILE '-' is a filter,
as for fix.
)HELP",
         {{"question", 0, "TEXT", "the new question"},
          {"question-file", 0, "PATH", "the new question from a file, as add takes it"},
          {"answer", 0, "TEXT", "the new answer"},
          {"answer-file", 0, "PATH", "the new answer from a file, as add takes it"},
          {"raw", 0, nullptr, "the texts are bytes in the file's encoding already"},
          {"no-backup", 0, nullptr, "keep no FILE.bak"},
          {"backups", 0, "N",
           "keep N old versions, newest first: FILE.bak,\nFILE.bak.1, ... (default 3)"}},
         "0 changed, 1 refused or no such entry (nothing changed),\n2 error",
         RunEdit,
         true},
        {"merge",
         "FILE... --into FILE",
         "append the entries of other entry files",
         R"HELP(Appends the entries of the entry files given to the one after --into, in
order, each as add writes a record, so that each reads back with its texts as
written, in the target's encoding: an entry that it cannot hold is refused,
named, and nothing is added. The other files are read first, so the target may
be one of them. The target changes as fix changes it, keeping the old version
as FILE.bak. A file '-' is standard input.
)HELP",
         {{"into", 0, "FILE", "the entry file to append to"},
          {"dedupe", 0, nullptr,
           "skip an entry whose question and answer are in the\n"
           "target already, or were added before it"},
          {"no-backup", 0, nullptr, "keep no FILE.bak"},
          {"backups", 0, "N",
           "keep N old versions, newest first: FILE.bak,\nFILE.bak.1, ... (default 3)"}},
         "0 done, 2 error (nothing added)",
         RunMerge,
         true},
        {"stats",
         "FILE...",
         "count entries, bytes, repeats and findings",
         R"HELP(Counts the entries and bytes of each entry file, names its encoding (UTF-8,
UTF-16LE, UTF-16BE or GBK, and whether it has a byte-order mark) and its
largest entry (bytes from its question marker to the next), and counts the
entries that repeat an earlier one and check's errors and warnings. With
several files, a total follows. FILE '-' reads standard input.
)HELP",
         {{"json", 0, nullptr,
           "one JSON document: {\"files\": [{\"file\", \"entries\",\n"
           "\"bytes\", \"encoding\", \"byte_order_mark\",\n"
           "\"largest_entry\", \"largest_entry_bytes\", \"repeats\",\n"
           "\"errors\", \"warnings\"}], \"total\": {\"files\",\n"
           "\"unread\", \"entries\", \"bytes\", \"repeats\", \"errors\",\n"
           "\"warnings\"}}; a file that cannot be read has\n"
           "{\"file\", \"error\"}"},
          {"jsonl", 0, nullptr, "one JSON object a line: each file's, as --json has it"}},
         "0 done, 2 error (a file that cannot be read: the others are\ncounted all the same)",
         RunStats,
         true},
    };
    return table;
}

} // namespace vendu
