// vendu fix, convert, dedupe and stats: whole-file repairs and a summary, each change made
// through one rewrite of the file.
#include "tools/vendu/Commands.h"

#include "tools/vendu/Console.h"
#include "tools/vendu/EditSupport.h"
#include "tools/vendu/EntryInput.h"
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
std::string FixMessage(const FixNote& note, std::string_view content,
                       const vorna::FileEncoding& encoding) {
    const vorna::Finding& f = note.finding;
    const std::string text = Excerpt(content.substr(f.textBegin, f.textLength), false,
                                     vorna::TextEncoding(encoding.encoding));
    const bool utf8 = vorna::TextEncoding(encoding.encoding) == vorna::Encoding::utf8;
    const std::string entry = "entry " + std::to_string(f.entry);
    switch (note.kind) {
    case FixKind::lostQuestion:
        return "mended: the lost question " + text + " gets an empty answer [lost-entry]";
    case FixKind::nulBytes:
        return "mended: " + Count(f.textLength, "NUL byte", "NUL bytes") + " removed [nul-bytes]";
    case FixKind::lineBreaks:
        return "mended: " + Count(note.count, "line break", "line breaks") +
               " of a lone LF made CR LF, the first here [lf-line-breaks]";
    case FixKind::convertedEntry:
        return "mended: " + entry + " converted from " + (utf8 ? "GBK to UTF-8" : "UTF-8 to GBK") +
               ", the file's encoding [mixed-encoding]";
    case FixKind::leftEntry:
        return "left: " + entry + " is in " + (utf8 ? "GBK" : "UTF-8") + ", the file in " +
               std::string(vorna::EncodingName(encoding.encoding)) + "; " + note.why +
               " [mixed-encoding]";
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
    case FindingCode::invalidUtf8:
        why =
            "bytes " + HexBytes(content.substr(f.textBegin, f.textLength)) + " are not valid UTF-8";
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
        RewriteEntryText(options, path, [&](const FileText& old, std::string& updated) {
            plan = PlanFix(old.text, old.coding.file);
            std::vector<std::size_t> offsets;
            for (const FixNote& note : plan.notes)
                offsets.push_back(note.finding.offset);
            const std::vector<std::string> places = Places(path, old.text, offsets);
            for (std::size_t k = 0; k < plan.notes.size(); ++k)
                report +=
                    places[k] + ": " + FixMessage(plan.notes[k], old.text, old.coding.file) + "\n";
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
        report += InputName(path) + ": " + Count(plan.mends, "mend", "mends") + " written" +
                  BackupNote(path, options) + left + "\n";
    WriteText(ResultStream(path), report + AppendedNote(path));
    return plan.left > 0 || (dryRun && plan.mends > 0) ? kExitFindings : kExitOk;
}

namespace {

// What convert says of a place it cannot convert: "entry 1: "😀" (U+1F600) has no code page 936
// form", or of the first byte of a file not in the encoding it is converted from.
std::string Refusal(const ConvertPlan& plan, const vorna::ConversionError& e, vorna::Encoding to) {
    const std::size_t entry = EntryAt(plan.text, e.offset);
    const std::string where = entry ? "entry " + std::to_string(entry) + ": " : "";
    const std::string byte = HexBytes(plan.text.substr(e.offset, 1));
    if (vorna::TextEncoding(plan.from.encoding) != plan.from.encoding && e.character == 0)
        return "bytes at " + std::to_string(e.offset + plan.from.markLength) + " are not valid " +
               std::string(vorna::EncodingName(plan.from.encoding));
    if (to == vorna::Encoding::utf8)
        return where + "byte " + byte + " is not valid code page 936";
    if (e.character == 0)
        return "byte " + byte + " is not UTF-8: the file is not UTF-8 (code page 936 already?)";
    return where + NamedCharacter(plan.text, e) + " has no code page 936 form";
}

} // namespace

int RunConvert(const Options& options) {
    if (options.positional.size() != 1)
        return UsageError(options, "give one entry file");
    const std::string* target = options.Value("--to");
    if (target && *target != "utf-8" && *target != "gbk")
        return UsageError(options, "--to takes utf-8 or gbk");
    const vorna::Encoding to =
        target && *target == "utf-8" ? vorna::Encoding::utf8 : vorna::Encoding::cp936;
    const std::string& path = options.positional[0];
    ConvertPlan plan;
    bool unchanged = false;
    std::string refusals;
    const bool written =
        RewriteEntryFile(options, path, [&](const std::string& old, std::string& updated) {
            plan = PlanConvert(old, to);
            std::vector<std::size_t> offsets;
            for (const vorna::ConversionError& e : plan.refused)
                offsets.push_back(e.offset);
            const std::vector<std::string> places = Places(path, plan.text, offsets);
            for (std::size_t k = 0; k < plan.refused.size(); ++k)
                refusals += options.Who() + ": " + places[k] + ": " +
                            Refusal(plan, plan.refused[k], to) + "\n";
            unchanged = plan.same || (plan.refused.empty() && plan.updated == old);
            if (!plan.refused.empty() || unchanged)
                return false;
            updated = plan.updated;
            return true;
        });
    if (!written)
        return kExitError;
    const std::string toName = to == vorna::Encoding::utf8 ? "UTF-8" : "code page 936";
    if (!plan.refused.empty()) {
        WriteText(stderr, refusals);
        const bool notFrom = plan.refused.front().character == 0;
        Report(options, InputName(path) + ": " +
                            (notFrom ? std::string("not converted")
                                     : Count(plan.refused.size(), "character", "characters") +
                                           " that " + toName + " cannot hold") +
                            "; nothing was written");
        return kExitFindings;
    }
    if (plan.same) {
        WriteText(ResultStream(path), InputName(path) + ": nothing to convert: it is " +
                                          std::string(vorna::EncodingName(plan.from.encoding)) +
                                          " already\n");
        return kExitOk;
    }
    if (unchanged) {
        WriteText(ResultStream(path),
                  InputName(path) +
                      ": nothing to convert: it holds only ASCII, the same in both\n");
        return kExitOk;
    }
    const std::string from =
        vorna::TextEncoding(plan.from.encoding) == plan.from.encoding
            ? (plan.from.encoding == vorna::Encoding::utf8 ? "UTF-8" : "code page 936")
            : std::string(vorna::EncodingName(plan.from.encoding));
    const bool markOf = to == vorna::Encoding::cp936 && plan.byteOrderMark;
    const bool markTo = to == vorna::Encoding::utf8 && plan.byteOrderMark;
    WriteText(ResultStream(path),
              InputName(path) + ": converted from " + from +
                  (markOf ? " with a byte-order mark" : "") + " to " + toName +
                  (markTo ? " with a byte-order mark, without which it would be read as "
                            "code page 936"
                          : "") +
                  BackupNote(path, options) + "\n" + AppendedNote(path));
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
        RewriteEntryText(options, path, [&](const FileText& file, std::string& updated) {
            const std::string_view old = file.text;
            const vorna::FileDiagnosis diagnosis = vorna::DiagnoseEntryFile(old, file.coding.file);
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
        report += InputName(path) + ": " + Count(removed, "repeat", "repeats") + " removed" +
                  BackupNote(path, options) + "\n";
    WriteText(ResultStream(path), report + AppendedNote(path));
    return dryRun && removed > 0 ? kExitFindings : kExitOk;
}

namespace {

// One file's stats as stats --json has them; false, having said why, when it cannot be read.
bool FileStats(const Options& options, const std::string& path, nlohmann::ordered_json& object,
               std::string& text) {
    const std::string name = InputName(path);
    // Read a window of whole entries at a time: once for the entries, and twice more by the
    // diagnosis for the findings, all through one open (what is held in memory, whole).
    EntryStats s;
    EntryInput input;
    vorna::FileDiagnosis diagnosis;
    vorna::FileResult read = input.Open(options, path, true, true);
    if (read.Ok() && input.Held()) {
        const std::string& held = *input.Held();
        s.AddEntries(held.substr(std::min(held.size(), held.find(vorna::kQuestionMarker))));
        s.bytes = static_cast<std::size_t>(input.HeldBytes());
        diagnosis = vorna::DiagnoseEntryFile(held, input.Coding().file);
        for (const vorna::Finding& f : diagnosis.findings)
            s.AddFinding(f);
    } else if (read.Ok()) {
        read = input.Pass(vorna::WindowReading(),
                          [&s](const vorna::Window& w) { s.AddEntries(w.bytes); });
        s.bytes = static_cast<std::size_t>(read.offset);
        if (read.Ok())
            read = vorna::DiagnoseEntryFile(
                *input.Windows(), diagnosis,
                [&s](const vorna::FindingReport& r) { s.AddFinding(r.finding); });
    }
    if (!read.Ok()) {
        Report(options, path, read);
        object = {{"file", name}, {"error", DescribeFile(read)}};
        return false;
    }
    const vorna::FileEncoding& encoding = input.Coding().file;
    object = {{"file", name},
              {"entries", s.entries},
              {"bytes", s.bytes},
              {"encoding", input.Coding().Name()},
              {"byte_order_mark", encoding.HasMark()},
              {"largest_entry", s.largestEntry},
              {"largest_entry_bytes", s.largestBytes},
              {"repeats", s.repeats},
              {"errors", s.errors},
              {"warnings", s.warnings}};
    text = name + ": " + Count(s.entries, "entry", "entries") + ", " +
           Count(s.bytes, "byte", "bytes") + "\n";
    text += "encoding: " + input.Coding().Name() +
            (encoding.HasMark() ? " (with a byte-order mark)" : "") + "\n";
    if (s.largestEntry)
        text += "largest entry: " + std::to_string(s.largestEntry) + " (" +
                Count(s.largestBytes, "byte", "bytes") + ")\n";
    text += "repeats: " + Count(s.repeats, "entry repeats", "entries repeat") + " an earlier one\n";
    text += "findings: " + Count(s.errors, "error", "errors") + ", " +
            Count(s.warnings, "warning", "warnings") +
            (s.errors + s.warnings ? " ('vendu check' lists them)" : "") + "\n";
    return true;
}

} // namespace

int RunStats(const Options& options) {
    if (options.positional.empty())
        return UsageError(options, "give an entry file");
    const bool json = options.Has("--json"), jsonl = options.Has("--jsonl");
    if (json && jsonl)
        return UsageError(options, "--json and --jsonl exclude each other");
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    nlohmann::ordered_json total = {{"files", options.positional.size()}, {"unread", 0}};
    const char* summed[] = {"entries", "bytes", "repeats", "errors", "warnings"};
    for (const char* key : summed)
        total[key] = 0;
    int status = kExitOk;
    for (std::size_t k = 0; k < options.positional.size() && !StandardOutputFailed(); ++k) {
        nlohmann::ordered_json object;
        std::string text;
        if (!FileStats(options, options.positional[k], object, text)) {
            status = kExitError;
            total["unread"] = total["unread"].get<std::size_t>() + 1;
        } else {
            for (const char* key : summed)
                total[key] = total[key].get<std::size_t>() + object[key].get<std::size_t>();
        }
        if (jsonl)
            WriteBytes(stdout, JsonText(object, true) + "\n");
        else if (json)
            files.push_back(std::move(object));
        else if (!text.empty())
            WriteText(stdout, (k > 0 ? "\n" : "") + text);
    }
    if (json && options.positional.size() == 1) {
        // One file's document is its own object, as it always was: scripts read it so.
        if (status == kExitOk)
            WriteBytes(stdout, JsonText(files[0]) + "\n");
    } else if (json) {
        WriteBytes(stdout, JsonText({{"files", std::move(files)}, {"total", total}}) + "\n");
    } else if (!jsonl && options.positional.size() > 1) {
        const auto number = [&total](const char* key) { return total[key].get<std::size_t>(); };
        WriteText(stdout, "\ntotal: " + Count(number("files"), "file", "files") + ", " +
                              Count(number("entries"), "entry", "entries") + ", " +
                              Count(number("bytes"), "byte", "bytes") + ", " +
                              Count(number("repeats"), "repeat", "repeats") + ", " +
                              Count(number("errors"), "error", "errors") + ", " +
                              Count(number("warnings"), "warning", "warnings") + "\n");
    }
    return status;
}

} // namespace vendu
