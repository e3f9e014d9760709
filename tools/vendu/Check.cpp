// vendu check: where the reader drops or keeps something the writer of a file probably did
// not mean, as compiler-style diagnostics or as one JSON document.
#include "tools/vendu/Commands.h"
#include "tools/vendu/Console.h"
#include "tools/vendu/Formats.h"
#include "tools/vendu/ShowText.h"

#include "diagnostics/Diagnostics.h"
#include "knowledge/EntryFile.h"
#include "text/CodePage.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace vendu {

namespace {

std::string HexBytes(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size() && i < 8; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%s%02X", i ? " " : "",
                      static_cast<unsigned char>(bytes[i]));
        out += hex;
    }
    return bytes.size() > 8 ? out + " ..." : out;
}

std::string Message(const vorna::Finding& f, std::string_view content, bool hasQuestionMarker,
                    std::size_t earlierLine) {
    using vorna::FindingCode;
    const std::string entry = "entry " + std::to_string(f.entry);
    switch (f.code) {
    case FindingCode::lostEntry: {
        const bool atEnd = f.textBegin + f.textLength == content.size();
        const std::string lost = Excerpt(content.substr(f.textBegin, f.textLength));
        return std::string("question marker without an answer marker before ") +
               (atEnd ? "the end of the file" : "the next question marker") + ": the entry " +
               (lost == "\"\"" ? "with an empty question" : lost) + " is lost";
    }
    case FindingCode::preambleText:
        return std::string(hasQuestionMarker ? "text before the first question marker"
                                             : "text of a file without any question marker") +
               " is ignored: " + Excerpt(content.substr(f.textBegin, f.textLength));
    case FindingCode::preambleAnswerMarker:
        return "answer marker before the first question marker is ignored";
    case FindingCode::answerMarkerInAnswer:
        return "answer marker inside the answer of " + entry + " is kept as answer text";
    case FindingCode::lookAlikeMarker:
        return Excerpt(content.substr(f.textBegin, f.textLength)) +
               " is plain text: the markers are exactly \"(%Q%)\" and \"(%A%)\"";
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
        return (f.textLength == 1 ? "byte " : "bytes ") +
               HexBytes(content.substr(f.textBegin, f.textLength)) +
               (f.textLength == 1 ? " is" : " are") + " not valid code page 936";
    case FindingCode::duplicateEntry:
        return entry + " repeats entry " + std::to_string(f.earlierEntry) + " (line " +
               std::to_string(earlierLine) + ") exactly";
    case FindingCode::looksLikeUtf8:
        return "the file looks like UTF-8; entry files hold code page 936 bytes, so its "
               "non-ASCII text will not show as written";
    }
    return "";
}

std::string Plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

int RunCheck(const Options& options) {
    if (options.positional.empty())
        return UsageError(options, "no file given");
    const std::string* format = options.Value("--format");
    const bool json = format && *format == "json";
    if (format && !json && *format != "text")
        return UsageError(options, "unknown format \"" + *format + "\" (text or json)");

    int status = kExitOk;
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    for (const std::string& path : options.positional) {
        if (StandardOutputFailed())
            break;
        const std::string name = InputName(path);
        std::string content;
        const vorna::FileResult read = ReadInput(path, options.waitSeconds, content);
        if (!read.Ok()) {
            status = kExitError;
            Report(options, path, DescribeFile(read));
            if (json)
                files.push_back({{"file", name}, {"error", DescribeFile(read)}});
            continue;
        }
        // The count shown is the program's reader's; the positions come from the scan that
        // follows it step by step, and the two must agree.
        const std::size_t size = content.size();
        content.append(vorna::kEndSentinel);
        std::size_t readerCount = 0;
        vorna::ParseEntries(content, [&readerCount](std::string, std::string) { ++readerCount; });
        content.resize(size);
        const vorna::FileDiagnosis diagnosis = vorna::DiagnoseEntryFile(content);
        if (diagnosis.entryCount != readerCount) {
            Report(options, path,
                   "internal error: the diagnostics found " + std::to_string(diagnosis.entryCount) +
                       " entries, the reader " + std::to_string(readerCount));
            return kExitError;
        }

        std::vector<std::size_t> offsets;
        for (const vorna::Finding& f : diagnosis.findings) {
            offsets.push_back(f.offset);
            offsets.push_back(f.earlierOffset == vorna::kNoPosition ? 0 : f.earlierOffset);
        }
        const std::vector<vorna::TextPosition> positions = vorna::LocateOffsets(content, offsets);

        std::size_t errors = 0, warnings = 0;
        std::string lines;
        nlohmann::ordered_json findings = nlohmann::ordered_json::array();
        for (std::size_t k = 0; k < diagnosis.findings.size(); ++k) {
            const vorna::Finding& f = diagnosis.findings[k];
            const vorna::TextPosition at = positions[2 * k];
            const bool isError = vorna::IsDataLoss(f.code);
            (isError ? errors : warnings)++;
            const char* severity = isError ? "error" : "warning";
            const std::string message =
                Message(f, content, diagnosis.hasQuestionMarker, positions[2 * k + 1].line);
            if (json) {
                nlohmann::ordered_json finding = {{"line", at.line},
                                                  {"column", at.column},
                                                  {"offset", f.offset},
                                                  {"severity", severity},
                                                  {"code", vorna::FindingName(f.code)}};
                if (f.entry)
                    finding["entry"] = f.entry;
                finding["message"] = message;
                findings.push_back(std::move(finding));
            } else {
                lines += name + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) +
                         ": " + severity + ": " + message + " [" + vorna::FindingName(f.code) +
                         "]\n";
            }
        }
        if (!diagnosis.findings.empty() && status == kExitOk)
            status = kExitFindings;
        if (json) {
            files.push_back({{"file", name},
                             {"entries", diagnosis.entryCount},
                             {"errors", errors},
                             {"warnings", warnings},
                             {"findings", std::move(findings)}});
        } else {
            WriteText(stdout, lines + name + ": " +
                                  Plural(diagnosis.entryCount, "entry", "entries") + ", " +
                                  Plural(errors, "error", "errors") + ", " +
                                  Plural(warnings, "warning", "warnings") + "\n");
        }
    }
    if (json)
        WriteBytes(stdout, JsonText({{"files", std::move(files)}}) + "\n");
    return status;
}

} // namespace vendu
