// vendu check: where the reader drops or keeps something the writer of a file probably did
// not mean, as compiler-style diagnostics or as one JSON document.
#include "tools/vendu/Commands.h"
#include "tools/vendu/Console.h"
#include "tools/vendu/EditSupport.h"
#include "tools/vendu/EntryInput.h"
#include "tools/vendu/Formats.h"
#include "tools/vendu/ShowText.h"

#include "diagnostics/Diagnostics.h"
#include "knowledge/EntryFile.h"
#include "knowledge/EntryReader.h"
#include "text/CodePage.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>

namespace vendu {

namespace {

std::string Message(const vorna::FindingReport& report, const vorna::FileDiagnosis& diagnosis) {
    using vorna::FindingCode;
    const bool hasQuestionMarker = diagnosis.hasQuestionMarker;
    const vorna::Finding& f = report.finding;
    const vorna::Encoding encoding = vorna::TextEncoding(diagnosis.encoding.encoding);
    const std::string quoted = Excerpt(report.text, report.text.size() < f.textLength, encoding);
    const std::string entry = "entry " + std::to_string(f.entry);
    switch (f.code) {
    case FindingCode::lostEntry:
        return std::string("question marker without an answer marker before ") +
               (report.atEnd ? "the end of the file" : "the next question marker") +
               ": the entry " + (quoted == "\"\"" ? "with an empty question" : quoted) + " is lost";
    case FindingCode::preambleText:
        return std::string(hasQuestionMarker ? "text before the first question marker"
                                             : "text of a file without any question marker") +
               " is ignored: " + quoted;
    case FindingCode::preambleAnswerMarker:
        return "answer marker before the first question marker is ignored";
    case FindingCode::answerMarkerInAnswer:
        return "answer marker inside the answer of " + entry + " is kept as answer text";
    case FindingCode::lookAlikeMarker:
        return quoted + " is plain text: the markers are exactly \"(%Q%)\" and \"(%A%)\"";
    case FindingCode::nulBytes:
        return f.textLength == 1 ? "NUL byte in the text"
                                 : std::to_string(f.textLength) + " NUL bytes in the text";
    case FindingCode::emptyQuestion:
        return entry + " has an empty question";
    case FindingCode::blankQuestion:
        return entry + " has a question of only spaces and line breaks";
    case FindingCode::emptyAnswer:
        return entry + " has an empty answer";
    case FindingCode::blankAnswer:
        return entry + " has an answer of only spaces and line breaks";
    case FindingCode::invalidCp936:
        return (f.textLength == 1 ? "byte " : "bytes ") + HexBytes(report.text) +
               (f.textLength == 1 ? " is" : " are") + " not valid code page 936";
    case FindingCode::duplicateEntry:
        return entry + " repeats entry " + std::to_string(f.earlierEntry) + " (line " +
               std::to_string(report.earlierLine) + ") exactly";
    case FindingCode::invalidUtf8:
        return (f.textLength == 1 ? "byte " : "bytes ") + HexBytes(report.text) +
               (f.textLength == 1 ? " is" : " are") + " not valid UTF-8";
    case FindingCode::mixedEncoding:
        return MixedMessage(diagnosis, f.entry) + ": it will not show as written";
    }
    return "";
}

std::string Plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The count shown is the program's reader's; the positions come from the scan that follows it
// step by step, and the two must agree (content: the file's text).
bool SameCountAsTheReader(const Options& options, const std::string& path, std::string_view content,
                          const vorna::FileDiagnosis& diagnosis) {
    vorna::CEntryStore store;
    vorna::CEntryReader reader(store);
    if (!content.empty())
        std::memcpy(reader.Room(content.size()), content.data(), content.size());
    reader.Commit(content.size());
    reader.Finish();
    if (diagnosis.entryCount == store.GetCount())
        return true;
    Report(options, path,
           "internal error: the diagnostics found " + std::to_string(diagnosis.entryCount) +
               " entries, the reader " + std::to_string(store.GetCount()));
    return false;
}

} // namespace

int RunCheck(const Options& options) {
    if (options.positional.empty())
        return UsageError(options, "no file given");
    const std::string* format = options.Value("--format");
    if (format && *format != "json" && *format != "text")
        return UsageError(options, "unknown format \"" + *format + "\" (text or json)");
    if (options.Has("--json") && options.Has("--jsonl"))
        return UsageError(options, "--json and --jsonl exclude each other");
    // -q: the exit status alone.
    const bool quiet = options.Has("--quiet");
    const bool jsonl = !quiet && options.Has("--jsonl");
    const bool json = !quiet && (options.Has("--json") || (format && *format == "json"));
    const bool text = !json && !jsonl && !quiet;
    std::size_t totalEntries = 0, totalErrors = 0, totalWarnings = 0, unread = 0;

    int status = kExitOk;
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    for (const std::string& path : options.positional) {
        if (StandardOutputFailed())
            break;
        const std::string name = InputName(path);
        std::size_t errors = 0, warnings = 0;
        std::string lines;
        nlohmann::ordered_json findings = nlohmann::ordered_json::array();
        vorna::FileDiagnosis diagnosis;
        const auto tell = [&](const vorna::FindingReport& report) {
            const vorna::Finding& f = report.finding;
            const bool isError = vorna::IsDataLoss(f.code);
            (isError ? errors : warnings)++;
            if (quiet)
                return;
            const char* severity = isError ? "error" : "warning";
            const std::string message = Message(report, diagnosis);
            if (!text) {
                nlohmann::ordered_json finding = {{"line", report.at.line},
                                                  {"column", report.at.column},
                                                  {"offset", f.offset},
                                                  {"severity", severity},
                                                  {"code", vorna::FindingName(f.code)}};
                if (f.entry)
                    finding["entry"] = f.entry;
                finding["message"] = message;
                findings.push_back(std::move(finding));
                return;
            }
            lines += name + ":" + std::to_string(report.at.line) + ":" +
                     std::to_string(report.at.column) + ": " + severity + ": " + message + " [" +
                     vorna::FindingName(f.code) + "]\n";
            if (lines.size() >= (1u << 16)) {
                WriteText(stdout, lines);
                lines.clear();
            }
        };
        // A window of whole entries at a time, twice: memory stays within the largest. What is
        // held in memory (standard input, UTF-16 text) is looked at whole.
        EntryInput input;
        vorna::FileResult read = input.Open(options, path, true, true);
        if (read.Ok() && input.Held()) {
            const std::string& text = *input.Held();
            diagnosis = vorna::DiagnoseEntryFile(text, input.Coding().file);
            if (!SameCountAsTheReader(options, path, text, diagnosis))
                return kExitError;
            vorna::ReportFindings(text, diagnosis, tell);
        } else if (read.Ok()) {
            read = vorna::DiagnoseEntryFile(*input.Windows(), diagnosis, tell);
        }
        if (!read.Ok()) {
            status = kExitError;
            ++unread;
            Report(options, path, read);
            const nlohmann::ordered_json failed = {{"file", name}, {"error", DescribeFile(read)}};
            if (json)
                files.push_back(failed);
            else if (jsonl)
                WriteBytes(stdout, JsonText(failed, true) + "\n");
            continue;
        }
        totalEntries += diagnosis.entryCount;
        totalErrors += errors;
        totalWarnings += warnings;
        if (errors + warnings > 0 && status == kExitOk)
            status = kExitFindings;
        nlohmann::ordered_json file = {{"file", name},
                                       {"entries", diagnosis.entryCount},
                                       {"errors", errors},
                                       {"warnings", warnings},
                                       {"findings", std::move(findings)}};
        if (json) {
            files.push_back(std::move(file));
        } else if (jsonl) {
            WriteBytes(stdout, JsonText(file, true) + "\n");
        } else if (text) {
            WriteText(stdout, lines + name + ": " +
                                  Plural(diagnosis.entryCount, "entry", "entries") + ", " +
                                  Plural(errors, "error", "errors") + ", " +
                                  Plural(warnings, "warning", "warnings") + "\n");
        }
    }
    if (json) {
        const nlohmann::ordered_json total = {{"files", options.positional.size()},
                                              {"entries", totalEntries},
                                              {"errors", totalErrors},
                                              {"warnings", totalWarnings},
                                              {"unread", unread}};
        WriteBytes(stdout, JsonText({{"files", std::move(files)}, {"total", total}}) + "\n");
    } else if (text && options.positional.size() > 1) {
        WriteText(stdout, "total: " + Plural(options.positional.size(), "file", "files") + ", " +
                              Plural(totalEntries, "entry", "entries") + ", " +
                              Plural(totalErrors, "error", "errors") + ", " +
                              Plural(totalWarnings, "warning", "warnings") +
                              (unread ? ", " + std::to_string(unread) + " not read" : "") + "\n");
    }
    return status;
}

} // namespace vendu
