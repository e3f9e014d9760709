// vendu fix, convert, dedupe and stats: whole-file repairs and a summary, each change made
// through one rewrite of the file.
#include "tools/vendu/Commands.h"

#include "tools/vendu/Console.h"
#include "tools/vendu/EditSupport.h"
#include "tools/vendu/EntryEdits.h"
#include "tools/vendu/Formats.h"
#include "tools/vendu/ShowText.h"

#include "diagnostics/Diagnostics.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace vendu {

namespace {

using vorna::FindingCode;

// What a note of fix says, and the code it ends with.
std::string FixMessage(const FixNote& note, std::string_view content) {
    const vorna::Finding& f = note.finding;
    const std::string text = Excerpt(content.substr(f.textBegin, f.textLength));
    const std::string entry = "entry " + std::to_string(f.entry);
    switch (note.kind) {
    case FixKind::lostQuestion:
        return "mended: the lost question " + text + " gets an empty answer [lost-entry]";
    case FixKind::nulBytes:
        return "mended: " + Count(f.textLength, "NUL byte", "NUL bytes") + " removed [nul-bytes]";
    case FixKind::lineBreaks:
        return "mended: " + Count(note.count, "line break", "line breaks") +
               " of a lone LF made CR LF, the first here [lf-line-breaks]";
    case FixKind::keptNulBytes:
        return "left: " + Count(f.textLength, "NUL byte", "NUL bytes") +
               " kept, since removing them would join the text around them into a marker "
               "[nul-bytes]";
    case FixKind::left:
        break;
    }
    std::string why;
    switch (f.code) {
    case FindingCode::lostEntry:
        why = "a question marker with only blanks after it and no answer marker: nothing to keep";
        break;
    case FindingCode::lookAlikeMarker:
        why = text + " looks like a marker but is plain text: correct it by hand if it is meant "
                     "as one";
        break;
    case FindingCode::preambleText:
        why = "text before the first question marker is ignored: " + text;
        break;
    case FindingCode::preambleAnswerMarker:
        why = "an answer marker before the first question marker is ignored";
        break;
    case FindingCode::answerMarkerInAnswer:
        why = "an answer marker inside the answer of " + entry + " is kept as answer text";
        break;
    case FindingCode::invalidCp936:
        why = "bytes " + HexBytes(content.substr(f.textBegin, f.textLength)) +
              " are not valid code page 936";
        break;
    case FindingCode::duplicateEntry:
        why = entry + " repeats entry " + std::to_string(f.earlierEntry) +
              " exactly: 'vendu dedupe' removes repeats";
        break;
    case FindingCode::looksLikeUtf8:
        why = "the file looks like UTF-8: 'vendu convert' turns it into code page 936";
        break;
    default:
        break;
    }
    return "left: " + why + " [" + vorna::FindingName(f.code) + "]";
}

} // namespace

int RunFix(const Options& options) {
    if (options.positional.size() != 1)
        return UsageError(options, "give one entry file");
    const std::string& path = options.positional[0];
    const bool dryRun = options.Has("--dry-run");
    std::string report;
    FixPlan plan;
    const bool written =
        RewriteEntryFile(options, path, [&](const std::string& old, std::string& updated) {
            plan = PlanFix(old);
            std::vector<std::size_t> offsets;
            for (const FixNote& note : plan.notes)
                offsets.push_back(note.finding.offset);
            const std::vector<std::string> places = Places(path, old, offsets);
            for (std::size_t k = 0; k < plan.notes.size(); ++k)
                report += places[k] + ": " + FixMessage(plan.notes[k], old) + "\n";
            if (dryRun || plan.mends == 0)
                return false;
            updated = std::move(plan.updated);
            return true;
        });
    if (!written)
        return kExitError;
    const std::string left =
        plan.left ? ", " + Count(plan.left, "finding", "findings") + " left as they are" : "";
    if (plan.mends == 0)
        report += InputName(path) + ": nothing to mend" + left + "\n";
    else if (dryRun)
        report += InputName(path) + ": " + Count(plan.mends, "mend", "mends") + " to make" + left +
                  " (--dry-run: nothing was written)\n";
    else
        report += path + ": " + Count(plan.mends, "mend", "mends") + " written" +
                  BackupNote(path, options) + left + "\n";
    WriteText(stdout, report + AppendedNote(path));
    return plan.left > 0 || (dryRun && plan.mends > 0) ? kExitFindings : kExitOk;
}

int RunConvert(const Options& options) {
    if (options.positional.size() != 1)
        return UsageError(options, "give one entry file");
    const std::string& path = options.positional[0];
    ConvertPlan plan;
    bool unchanged = false;
    std::string refusals;
    const bool written =
        RewriteEntryFile(options, path, [&](const std::string& old, std::string& updated) {
            plan = PlanConvert(old);
            std::vector<std::size_t> offsets;
            for (const vorna::ConversionError& e : plan.refused)
                offsets.push_back(e.offset);
            const std::vector<std::string> places = Places(path, old, offsets);
            for (std::size_t k = 0; k < plan.refused.size(); ++k) {
                const vorna::ConversionError& e = plan.refused[k];
                char code[16];
                std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(e.character));
                refusals +=
                    options.Who() + ": " + places[k] + ": " +
                    (e.character == 0 ? "byte " + HexBytes(old.substr(e.offset, 1)) +
                                            " is not UTF-8: the file is not UTF-8 (code page 936 "
                                            "already?)"
                                      : "\"" + old.substr(e.offset, e.length) + "\" (" + code +
                                            ") has no code page 936 form") +
                    "\n";
            }
            unchanged = plan.refused.empty() && plan.updated == old;
            if (!plan.refused.empty() || unchanged)
                return false;
            updated = plan.updated;
            return true;
        });
    if (!written)
        return kExitError;
    if (!plan.refused.empty()) {
        WriteText(stderr, refusals);
        const bool notUtf8 = plan.refused.front().character == 0;
        Report(options, InputName(path) + ": " +
                            (notUtf8 ? std::string("not converted")
                                     : Count(plan.refused.size(), "character", "characters") +
                                           " that code page 936 cannot hold") +
                            "; nothing was written");
        return kExitFindings;
    }
    if (unchanged) {
        WriteText(stdout, InputName(path) +
                              ": nothing to convert: it holds only ASCII, the same in both\n");
        return kExitOk;
    }
    WriteText(stdout, path + ": converted from UTF-8" +
                          (plan.byteOrderMark ? " with a byte-order mark" : "") +
                          " to code page 936" + BackupNote(path, options) + "\n" +
                          AppendedNote(path));
    return kExitOk;
}

int RunDedupe(const Options& options) {
    if (options.positional.size() != 1)
        return UsageError(options, "give one entry file");
    const std::string& path = options.positional[0];
    const bool dryRun = options.Has("--dry-run");
    std::string report;
    std::size_t removed = 0;
    const bool written =
        RewriteEntryFile(options, path, [&](const std::string& old, std::string& updated) {
            const vorna::FileDiagnosis diagnosis = vorna::DiagnoseEntryFile(old);
            std::vector<std::size_t> offsets;
            std::vector<const vorna::Finding*> repeats;
            for (const vorna::Finding& f : diagnosis.findings) {
                if (f.code == FindingCode::duplicateEntry) {
                    offsets.push_back(f.offset);
                    repeats.push_back(&f);
                }
            }
            const std::vector<std::string> places = Places(path, old, offsets);
            for (std::size_t k = 0; k < repeats.size(); ++k)
                report += places[k] + ": " + (dryRun ? "would remove" : "removed") + " entry " +
                          std::to_string(repeats[k]->entry) + ", a repeat of entry " +
                          std::to_string(repeats[k]->earlierEntry) + "\n";
            removed = repeats.size();
            if (dryRun || removed == 0)
                return false;
            updated = RemoveEntries(LayOut(old), RepeatedEntries(diagnosis));
            return true;
        });
    if (!written)
        return kExitError;
    if (removed == 0)
        report += InputName(path) + ": no repeats\n";
    else if (dryRun)
        report += InputName(path) + ": " + Count(removed, "repeat", "repeats") +
                  " to remove (--dry-run: nothing was written)\n";
    else
        report += path + ": " + Count(removed, "repeat", "repeats") + " removed" +
                  BackupNote(path, options) + "\n";
    WriteText(stdout, report + AppendedNote(path));
    return dryRun && removed > 0 ? kExitFindings : kExitOk;
}

int RunStats(const Options& options) {
    if (options.positional.size() != 1)
        return UsageError(options, "give one entry file");
    const std::string& path = options.positional[0];
    const std::string name = InputName(path);
    // Read a window of whole entries at a time: once for the entries, and twice more by the
    // diagnosis for the findings, all through one open. Standard input is held whole.
    EntryStats s;
    vorna::FileDiagnosis diagnosis;
    const auto finding = [&s](const vorna::FindingReport& r) { s.AddFinding(r.finding); };
    vorna::FileResult read;
    if (path == "-") {
        std::string content;
        read = ReadInput(path, options.waitSeconds, content);
        const std::size_t first = content.find(vorna::kQuestionMarker);
        if (first != std::string::npos)
            s.AddEntries(std::string_view(content).substr(first));
        s.bytes = content.size();
        diagnosis = vorna::DiagnoseEntryFile(content);
        vorna::ReportFindings(content, diagnosis, finding);
    } else {
        vorna::FileWindows file;
        read = file.Open(path, CheckedReading(options.waitSeconds));
        if (read.Ok()) {
            read = file.Pass(vorna::kQuestionMarker, vorna::WindowReading(),
                             [&s](const vorna::Window& w) { s.AddEntries(w.bytes); });
            s.bytes = static_cast<std::size_t>(read.offset);
        }
        if (read.Ok())
            read = vorna::DiagnoseEntryFile(file, diagnosis, finding);
    }
    if (!read.Ok()) {
        Report(options, path, read);
        return kExitError;
    }
    if (options.Has("--json")) {
        const nlohmann::ordered_json object = {{"file", name},
                                               {"entries", s.entries},
                                               {"bytes", s.bytes},
                                               {"largest_entry", s.largestEntry},
                                               {"largest_entry_bytes", s.largestBytes},
                                               {"repeats", s.repeats},
                                               {"errors", s.errors},
                                               {"warnings", s.warnings}};
        WriteBytes(stdout, JsonText(object) + "\n");
        return kExitOk;
    }
    std::string out = name + ": " + Count(s.entries, "entry", "entries") + ", " +
                      Count(s.bytes, "byte", "bytes") + "\n";
    if (s.largestEntry)
        out += "largest entry: " + std::to_string(s.largestEntry) + " (" +
               Count(s.largestBytes, "byte", "bytes") + ")\n";
    out += "repeats: " + Count(s.repeats, "entry repeats", "entries repeat") + " an earlier one\n";
    out += "findings: " + Count(s.errors, "error", "errors") + ", " +
           Count(s.warnings, "warning", "warnings") +
           (s.errors + s.warnings ? " ('vendu check' lists them)" : "") + "\n";
    WriteText(stdout, out);
    return kExitOk;
}

} // namespace vendu
