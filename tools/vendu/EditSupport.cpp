#include "tools/vendu/EditSupport.h"

#include "tools/vendu/Console.h"
#include "tools/vendu/EntryEdits.h"

#include "diagnostics/Diagnostics.h"

namespace vendu {

namespace {

// What the last rewrite of this run did besides its change.
vorna::RewriteOutcome g_lastRewrite;

// Standard input changed as a filter: the changed file goes to standard output, whole (as
// it came when there is nothing to change), and the report to standard error.
bool ChangeStandardInput(const Options& options, const vorna::RewriteChange& change) {
    std::string old, updated;
    const vorna::FileResult read = ReadInput("-", options.waitSeconds, old);
    if (!read.Ok()) {
        Report(options, "-", read);
        return false;
    }
    WriteBytes(stdout, change(old, updated) ? updated : old);
    return true;
}

constexpr unsigned kDefaultBackups = 3;
constexpr unsigned kMostBackups = 99;

// --backups N: how many old versions are kept; false when N is no count.
bool BackupCount(const Options& options, unsigned& count) {
    count = options.Has("--no-backup") ? 0 : kDefaultBackups;
    const std::string* given = options.Value("--backups");
    if (!given)
        return true;
    if (given->empty() || given->size() > 2 ||
        given->find_first_not_of("0123456789") != given->npos)
        return false;
    count = options.Has("--no-backup") ? 0 : static_cast<unsigned>(std::stoul(*given));
    return count <= kMostBackups;
}

} // namespace

bool RewriteEntryFile(const Options& options, const std::string& path,
                      const vorna::RewriteChange& change) {
    unsigned backups = 0;
    if (!BackupCount(options, backups)) {
        UsageError(options, "--backups takes a count of old versions, 0 to 99");
        return false;
    }
    if (path == "-")
        return ChangeStandardInput(options, change);
    const vorna::FileResult result =
        vorna::RewriteFile(path, vorna::RewriteOptions{options.waitSeconds, backups > 0, backups},
                           change, &g_lastRewrite);
    if (g_lastRewrite.stillWritten)
        Report(options, path,
               "note: another program still had the old version open for writing; what it "
               "writes there from now on is not in the file");
    if (result.Ok())
        return true;
    Report(options, path, DescribeFile(result));
    return false;
}

bool RewriteEntryText(const Options& options, const std::string& path, const TextChange& change) {
    std::string refusal;
    const bool written =
        RewriteEntryFile(options, path, [&](const std::string& old, std::string& updated) {
            FileText file;
            file.coding.file = vorna::DetectFileEncoding(old);
            vorna::Converted<std::string> text;
            if (file.coding.Transcoded()) {
                text = FileToText(old, file.coding.file);
                file.text = text.text;
            } else {
                file.text = old;
            }
            const std::string name = file.coding.Name();
            if (!text.ok) {
                refusal = "not valid " + name + " at byte " +
                          std::to_string(text.error.offset + file.coding.file.markLength + 1) +
                          "; nothing was written";
                return false;
            }
            std::string changed;
            if (!change(file, changed))
                return false;
            vorna::Converted<std::string> bytes = TextToFile(changed, file.coding.file);
            if (!bytes.ok) {
                refusal = "the new text is not valid UTF-8, so it cannot be written in " + name +
                          "; nothing was written";
                return false;
            }
            updated = std::move(bytes.text);
            return true;
        });
    if (!refusal.empty())
        Report(options, path, refusal);
    return written && refusal.empty();
}

std::string BackupPath(const std::string& path) {
    return g_lastRewrite.backupPath.empty() ? vorna::BackupPathOf(path) : g_lastRewrite.backupPath;
}

std::string BackupNote(const std::string& path, const Options& options) {
    unsigned backups = 0;
    if (path == "-" || !BackupCount(options, backups) || backups == 0)
        return "";
    return " (the old version is " + BackupPath(path) + ")";
}

std::FILE* ResultStream(const std::string& path) {
    return path == "-" ? stderr : stdout;
}

std::string AppendedNote(const std::string& path) {
    const std::string& kept = g_lastRewrite.appended;
    if (kept.empty())
        return "";
    const std::size_t entries = LayOut(kept).entries.size();
    return path + ": " +
           (entries > 0 ? Count(entries, "entry", "entries")
                        : Count(kept.size(), "byte", "bytes")) +
           " appended by another program meanwhile " +
           ((entries ? entries : kept.size()) == 1 ? "was" : "were") + " kept\n";
}

std::vector<std::string> Places(const std::string& path, std::string_view content,
                                const std::vector<std::size_t>& offsets) {
    std::vector<std::string> places;
    for (const vorna::TextPosition& at : vorna::LocateOffsets(content, offsets))
        places.push_back(InputName(path) + ":" + std::to_string(at.line) + ":" +
                         std::to_string(at.column));
    return places;
}

std::string MixedMessage(const vorna::FileDiagnosis& diagnosis, std::size_t entry) {
    const bool utf8 = vorna::TextEncoding(diagnosis.encoding.encoding) == vorna::Encoding::utf8;
    return "the file is " + std::string(vorna::EncodingName(diagnosis.encoding.encoding)) +
           ", but entry " + std::to_string(entry) + " is in " + (utf8 ? "GBK" : "UTF-8") + " (" +
           Count(diagnosis.otherEncodingEntries, "entry", "entries") + " in all)";
}

std::string Count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool ReadEntryTexts(const Options& options, bool bothNeeded, GivenTexts& texts, int& status) {
    const bool raw = options.Has("--raw");
    bool stdinTaken = false;
    status = kExitError;
    const char* names[2] = {"question", "answer"};
    for (int k = 0; k < 2; ++k) {
        const std::string name = names[k];
        const std::string* text = options.Value("--" + name);
        const std::string* file = options.Value("--" + name + "-file");
        if ((text && file) || (!text && !file && bothNeeded)) {
            status =
                UsageError(options, "give --" + name + " or --" + name + "-file (one of them)");
            return false;
        }
        if (!text && !file)
            continue;
        std::string given;
        if (file && *file == "-") {
            if (stdinTaken) {
                status = UsageError(options, "only one text can come from standard input");
                return false;
            }
            stdinTaken = true;
        }
        if (file) {
            const vorna::FileResult read = ReadInput(*file, options.waitSeconds, given);
            if (!read.Ok()) {
                Report(options, *file, read);
                return false;
            }
        } else {
            given = *text;
        }
        texts.bytes[k] = KeptAsBytes(raw, text != nullptr);
        texts.text[k].emplace();
        if (texts.bytes[k] || !text) {
            *texts.text[k] = std::move(given);
        } else if (!TerminalArgToUtf8(given, *texts.text[k])) {
            Report(options, options.positional.empty() ? "" : options.positional[0],
                   "the " + name + " is not valid text in the terminal's encoding; nothing was " +
                       (options.command == "add" ? "added" : "changed"));
            return false;
        }
    }
    status = kExitOk;
    return true;
}

bool EntryTextsIn(const Options& options, const GivenTexts& given, vorna::Encoding to,
                  std::optional<std::string> (&texts)[2]) {
    for (int k = 0; k < 2; ++k) {
        texts[k].reset();
        if (!given.text[k])
            continue;
        std::string why;
        texts[k].emplace();
        if (!ToEntryBytes(*given.text[k], given.bytes[k], false, *texts[k], why, to)) {
            Report(options, options.positional.empty() ? "" : options.positional[0],
                   std::string("the ") + (k == 0 ? "question" : "answer") +
                       " cannot be written in " +
                       (to == vorna::Encoding::utf8 ? "UTF-8" : "code page 936") + ": " + why +
                       "; nothing was " + (options.command == "add" ? "added" : "changed"));
            return false;
        }
    }
    return true;
}

} // namespace vendu
