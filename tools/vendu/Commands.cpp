// vendu search, add, export and import: the program's own reader, matcher, checks and
// record, with conversions only at the edges (terminal, CSV, JSON Lines).
#include "tools/vendu/Commands.h"

#include "tools/vendu/Console.h"
#include "tools/vendu/EntryEdits.h"
#include "tools/vendu/Formats.h"
#include "tools/vendu/ShowText.h"

#include "knowledge/EntrySpans.h"
#include "knowledge/EntryFile.h"
#include "knowledge/EntryStore.h"
#include "knowledge/Search.h"
#include "io/Append.h"
#include "io/Read.h"
#include "text/Convert.h"
#include "text/Find.h"

#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

namespace vendu {

namespace {

void Say(std::FILE* stream, const std::string& text) {
    WriteText(stream, text + "\n");
}

int Usage(const char* command, const std::string& error, const char* usage) {
    Say(stderr, std::string("vendu ") + command + ": " + error + "\nusage: " + usage);
    return kExitError;
}

// Why text could not become code page 936.
std::string WhyNotCp936(std::string_view utf8, const vorna::ConversionError& error) {
    const std::string at = " at byte " + std::to_string(error.offset + 1);
    if (error.character == 0)
        return "it is not valid UTF-8" + at;
    return "\"" + std::string(utf8.substr(error.offset, error.length)) + "\"" + at +
           " has no code page 936 form";
}

} // namespace

bool ToEntryBytes(const std::string& given, bool raw, bool fromCommandLine, std::string& bytes,
                  std::string& why) {
#ifdef _WIN32
    if (raw && !fromCommandLine) {
#else
    if (raw) {
#endif
        bytes = given;
        return true;
    }
    std::string utf8 = given;
    if (fromCommandLine && !TerminalArgToUtf8(given, utf8)) {
        why = "it is not valid text in the terminal's encoding";
        return false;
    }
    vorna::Converted<std::string> converted =
        vorna::Convert(utf8, vorna::Encoding::utf8, vorna::Encoding::cp936);
    if (converted.ok) {
        bytes = std::move(converted.text);
        return true;
    }
    why = WhyNotCp936(utf8, converted.error);
    return false;
}

namespace {

// Reads an entry file with the program's reader into a store; says why when it cannot.
bool LoadStore(const char* command, const std::string& path, double waitSeconds,
               vorna::CEntryStore& store) {
    std::string content;
    const vorna::FileResult read = ReadShared(path, waitSeconds, content);
    if (!read.Ok()) {
        Say(stderr, std::string("vendu ") + command + ": " + path + ": " + read.Describe());
        return false;
    }
    content.append(vorna::kEndSentinel);
    vorna::ParseEntries(content, [&store](std::string question, std::string answer) {
        store.AddEntry(std::move(question), std::move(answer));
    });
    return true;
}

// Opens the target of an append as the Add dialog does, an existing file never created, and
// holds it alone until the append is done. Every command that changes an entry file opens it
// this way.
bool OpenTarget(const char* command, const std::string& path, double waitSeconds,
                vorna::CFile& file) {
    const vorna::FileResult opened =
        vorna::OpenFile(file, path, vorna::Opening{vorna::CFile::modeReadWrite, waitSeconds});
    if (!opened.Ok())
        Say(stderr, std::string("vendu ") + command + ": " + path + ": " + opened.Describe());
    return opened.Ok();
}

// Appends and reports; the exit status.
int Append(const char* command, vorna::CFile& file, const std::string& path,
           const std::string& bytes, const std::string& what) {
    const vorna::FileResult result = vorna::AppendWhole(file, bytes);
    if (!result.Ok()) {
        Say(stderr, std::string("vendu ") + command + ": " + path + ": " + result.Describe());
        return kExitError;
    }
    Say(stdout, "added " + what + " to " + path + " (" + std::to_string(bytes.size()) + " bytes)");
    return kExitOk;
}

} // namespace

const char* RefusedText(vorna::EntryCheck check) {
    switch (check) {
    case vorna::EntryCheck::questionEmpty:
    case vorna::EntryCheck::questionHasQuestionMarker:
    case vorna::EntryCheck::questionHasAnswerMarker:
        return "question";
    default:
        return "answer";
    }
}

namespace {

// The first control character of an entry text other than tab, CR and LF, or npos. In code
// page 936 these bytes are never part of a two-byte character.
std::size_t FindControlCharacter(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F)
            return i;
    }
    return std::string_view::npos;
}

} // namespace

std::string ControlCharacterProblem(const std::string (&texts)[2]) {
    for (int k = 0; k < 2; ++k) {
        const std::size_t at = FindControlCharacter(texts[k]);
        if (at == std::string_view::npos)
            continue;
        char code[8];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned char>(texts[k][at]));
        return std::string("the ") + (k == 0 ? "question" : "answer") +
               " holds the control character " + code + " (only tab, CR and LF may stand in " +
               "a text)";
    }
    return "";
}

namespace {

const char* const kSearchUsage = "vendu search [--count] [--raw] FILE KEYWORD";
const char* const kAddUsage = "vendu add FILE (--question TEXT | --question-file PATH) "
                              "(--answer TEXT | --answer-file PATH) [--raw]";
const char* const kExportUsage = "vendu export FILE --format=csv|jsonl|html|md [--raw]";
const char* const kImportUsage =
    "vendu import IN.csv|IN.jsonl --into FILE [--format=csv|jsonl] [--raw] [--skip-bad]";

} // namespace

vorna::Opening SharedReading(double waitSeconds) {
    return vorna::Opening{vorna::CFile::modeRead | vorna::CFile::shareDenyWrite, waitSeconds};
}

vorna::FileResult ReadShared(const std::string& path, double waitSeconds, std::string& content) {
    return vorna::ReadWholeFile(path, SharedReading(waitSeconds), content, 256 * 1024,
                                vorna::kEndSentinel.size());
}

int RunSearch(const Options& options) {
    if (options.positional.size() != 2)
        return Usage("search", "give a file and a keyword", kSearchUsage);
    const bool raw = options.Has("--raw");
    std::string keyword, why;
    if (!ToEntryBytes(options.positional[1], raw, true, keyword, why)) {
        Say(stderr, "vendu search: the keyword cannot be searched for: " + why +
                        " (--raw takes it as bytes)");
        return kExitError;
    }
    // The program's search, entry by entry: the question, and only when it does not hold the
    // keyword, the answer. Either way an entry matches when one of its two texts holds the
    // keyword, which one pass over each window of whole entries tells.
    const vorna::LeadBytes lead = vorna::LeadBytes::Cp936();
    const bool countOnly = options.Has("--count");
    std::size_t entry = 0, count = 0;
    bool invalid = false;
    std::string out;
    std::vector<vorna::EntrySpan> spans;
    std::vector<std::size_t> matching;
    const auto visit = [&](std::string_view window) {
        // Counting needs the entries only where the keyword's bytes occur; listing numbers
        // every entry, unless nobody reads the list any more.
        if ((countOnly && !vorna::HoldsBytes(window, keyword)) || StandardOutputFailed())
            return;
        vorna::ScanEntrySpans(window, spans);
        vorna::FindMatchingSpans(window, spans, keyword, lead, matching);
        count += matching.size();
        if (countOnly)
            return;
        std::size_t s = 0;
        for (const std::size_t k : matching) {
            for (; s < k; ++s)
                entry += spans[s].Kept();
            const vorna::EntrySpan& span = spans[k];
            const std::string_view question =
                window.substr(span.QuestionBegin(), span.answerMarker - span.QuestionBegin());
            const std::string_view answer =
                window.substr(span.AnswerBegin(), span.next - span.AnswerBegin());
            out += std::to_string(entry + 1) + ": ";
            out += ShowText(vorna::MakeLabel(question, answer), raw, &invalid);
            out += '\n';
        }
        for (; s < spans.size(); ++s)
            entry += spans[s].Kept();
        if (out.size() >= (1u << 16)) {
            raw ? WriteBytes(stdout, out) : WriteText(stdout, out);
            out.clear();
        }
    };
    const vorna::FileResult read =
        vorna::ForEachWindow(options.positional[0], SharedReading(options.waitSeconds),
                             vorna::kQuestionMarker, 1 << 17, visit);
    if (!read.Ok()) {
        Say(stderr, "vendu search: " + options.positional[0] + ": " + read.Describe());
        return kExitError;
    }
    if (countOnly) {
        WriteBytes(stdout, std::to_string(count) + "\n");
        return count == 0 ? kExitFindings : kExitOk;
    }
    if (raw) {
        // The caption exactly as the program builds it: its own text in code page 936.
        std::string caption = vorna::Convert(vorna::MatchCaption("\x01", count),
                                             vorna::Encoding::utf8, vorna::Encoding::cp936)
                                  .text;
        const std::size_t at = caption.find('\x01');
        caption.replace(at, 1, ShowText(keyword, true));
        WriteBytes(stdout, out + caption + "\n");
    } else {
        WriteText(stdout, out + vorna::MatchCaption(ShowText(keyword, false), count) + "\n");
    }
    if (invalid)
        Say(stderr, "vendu search: note: bytes that are not code page 936 are shown as \\xHH");
    return count == 0 ? kExitFindings : kExitOk;
}

int RunAdd(const Options& options) {
    if (options.positional.size() != 1)
        return Usage("add", "give exactly one entry file", kAddUsage);
    std::optional<std::string> given[2];
    int status = kExitOk;
    if (!ReadEntryTexts("add", kAddUsage, options, true, given, status))
        return status;
    const std::string texts[2] = {*given[0], *given[1]};

    const std::string& path = options.positional[0];
    vorna::CFile file;
    if (!OpenTarget("add", path, options.waitSeconds, file))
        return kExitError;
    const vorna::EntryCheck check = vorna::CheckNewEntry(texts[0], texts[1]);
    if (check != vorna::EntryCheck::ok) {
        Say(stderr, std::string("vendu add: ") + vorna::EntryCheckMessage(check) + " (the " +
                        RefusedText(check) + "; nothing was added)");
        return kExitFindings;
    }
    const std::string control = ControlCharacterProblem(texts);
    if (!control.empty()) {
        Say(stderr, "vendu add: " + control + "; nothing was added");
        return kExitFindings;
    }
    return Append("add", file, path, vorna::MakeRecord(texts[0], texts[1]), "1 entry");
}

int RunExport(const Options& options) {
    const std::string* format = options.Value("--format");
    if (format && (*format == "html" || *format == "md"))
        return RunExportPage(options, *format);
    if (options.positional.size() != 1 || !format || (*format != "csv" && *format != "jsonl"))
        return Usage("export", "give one entry file and --format=csv, jsonl, html or md",
                     kExportUsage);
    const bool csv = *format == "csv";
    const bool raw = options.Has("--raw");
    vorna::CEntryStore store;
    if (!LoadStore("export", options.positional[0], options.waitSeconds, store))
        return kExitError;

    std::string out = csv ? CsvRow("question", "answer") : std::string();
    std::vector<std::string> problems;
    const std::size_t count = store.GetCount();
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view texts[2] = {WrittenText(store.m_arrQuestions[i], true),
                                           WrittenText(store.m_arrAnswers[i], i + 1 < count)};
        std::string shown[2];
        bool asBytes[2] = {raw, raw};
        for (int k = 0; k < 2; ++k) {
            vorna::Converted<std::string> utf8;
            if (!raw)
                utf8 = vorna::Convert(texts[k], vorna::Encoding::cp936, vorna::Encoding::utf8);
            shown[k] = raw ? std::string(texts[k]) : std::move(utf8.text);
            if (!utf8.ok) {
                asBytes[k] = true;
                const std::string where =
                    "entry " + std::to_string(i + 1) + ": the " + (k == 0 ? "question" : "answer") +
                    " does not convert to UTF-8 at byte " + std::to_string(utf8.error.offset + 1);
                if (csv) {
                    problems.push_back(where);
                } else {
                    shown[k] = Base64Encode(texts[k]);
                    Say(stderr, "vendu export: " + where + "; written as code page 936 bytes (" +
                                    (k == 0 ? "question" : "answer") + "_base64)");
                }
            }
            if (!csv && asBytes[k] && raw)
                shown[k] = Base64Encode(texts[k]);
        }
        if (csv) {
            out += CsvRow(shown[0], shown[1]);
        } else {
            out += std::string("{\"") + (asBytes[0] ? "question_base64" : "question") +
                   "\": " + JsonString(shown[0]) + ", \"" +
                   (asBytes[1] ? "answer_base64" : "answer") + "\": " + JsonString(shown[1]) +
                   "}\n";
        }
    }
    if (!problems.empty()) {
        for (const std::string& problem : problems)
            Say(stderr, "vendu export: " + problem);
        Say(stderr, "vendu export: nothing was exported; --raw writes code page 936 bytes "
                    "unchanged, and --format=jsonl keeps such texts as bytes");
        return kExitFindings;
    }
    WriteBytes(stdout, out);
    return kExitOk;
}

int RunImport(const Options& options) {
    const std::string* into = options.Value("--into");
    if (options.positional.size() != 1 || !into)
        return Usage("import", "give one input file and --into FILE", kImportUsage);
    const std::string& input = options.positional[0];
    const auto endsWith = [&input](std::string_view suffix) {
        return input.size() >= suffix.size() &&
               std::string_view(input).substr(input.size() - suffix.size()) == suffix;
    };
    std::string format = options.Value("--format") ? *options.Value("--format")
                         : endsWith(".csv")        ? "csv"
                         : endsWith(".jsonl")      ? "jsonl"
                                                   : "";
    if (format != "csv" && format != "jsonl")
        return Usage("import", "cannot tell the input's format; give --format=csv or jsonl",
                     kImportUsage);
    const bool raw = options.Has("--raw");

    std::string data;
    if (input == "-") {
        if (!ReadStandardInput(data)) {
            Say(stderr, "vendu import: reading standard input failed");
            return kExitError;
        }
    } else {
        const vorna::FileResult read = ReadShared(input, options.waitSeconds, data);
        if (!read.Ok()) {
            Say(stderr, "vendu import: " + input + ": " + read.Describe());
            return kExitError;
        }
    }
    if (!raw && data.compare(0, 3, "\xEF\xBB\xBF") == 0)
        data.erase(0, 3); // the byte-order mark spreadsheets put before UTF-8
    std::vector<ImportRow> rows;
    if (format == "csv") {
        std::string fatal;
        if (!ReadCsvRows(data, rows, fatal)) {
            Say(stderr, "vendu import: " + input + ": " + fatal + "; nothing was imported");
            return kExitError;
        }
    } else {
        ReadJsonLines(data, rows);
    }

    vorna::CFile file;
    if (!OpenTarget("import", *into, options.waitSeconds, file))
        return kExitError;
    std::string records;
    std::vector<std::size_t> refused;
    std::size_t added = 0;
    for (ImportRow& row : rows) {
        std::string bytes[2];
        for (int k = 0; k < 2 && row.error.empty(); ++k) {
            const char* name = k == 0 ? "question" : "answer";
            const std::string& given = k == 0 ? row.question : row.answer;
            const bool isBytes = k == 0 ? row.questionIsBytes : row.answerIsBytes;
            std::string why;
            if (!ToEntryBytes(given, raw || isBytes, false, bytes[k], why))
                row.error =
                    std::string("the ") + name + " cannot be written in code page 936: " + why;
        }
        if (row.error.empty()) {
            const vorna::EntryCheck check = vorna::CheckNewEntry(bytes[0], bytes[1]);
            if (check != vorna::EntryCheck::ok)
                row.error = std::string("the ") + RefusedText(check) +
                            " is refused: " + vorna::EntryCheckMessage(check);
            else
                row.error = ControlCharacterProblem(bytes);
        }
        if (!row.error.empty()) {
            Say(stderr, input + ": row " + std::to_string(row.number) + ": " + row.error);
            refused.push_back(row.number);
            continue;
        }
        records += vorna::MakeRecord(bytes[0], bytes[1]);
        ++added;
    }
    if (!refused.empty() && !options.Has("--skip-bad")) {
        Say(stderr, "vendu import: " + std::to_string(refused.size()) + " of " +
                        std::to_string(rows.size()) +
                        " rows refused; nothing was imported (--skip-bad imports the others)");
        return kExitFindings;
    }
    int status = kExitOk;
    if (added > 0)
        status = Append("import", file, *into, records,
                        std::to_string(added) + (added == 1 ? " entry" : " entries"));
    else
        Say(stdout, "nothing to import");
    if (!refused.empty()) {
        std::string list;
        for (std::size_t number : refused)
            list += (list.empty() ? "" : ", ") + std::to_string(number);
        Say(stderr, "vendu import: skipped rows: " + list);
        if (status == kExitOk)
            status = kExitFindings;
    }
    return status;
}

} // namespace vendu
