#include "tools/vendu/EditSupport.h"

#include "tools/vendu/Console.h"
#include "tools/vendu/EntryEdits.h"

#include "diagnostics/Diagnostics.h"

namespace vendu {

namespace {

// What the last rewrite of this run did besides its change.
vorna::RewriteOutcome g_lastRewrite;

// Standard input given to a change, which may only read it.
bool ChangeStandardInput(const Options& options, const vorna::RewriteChange& change) {
    std::string old, updated;
    const vorna::FileResult read = ReadInput("-", options.waitSeconds, old);
    if (!read.Ok()) {
        Report(options, "-", read);
        return false;
    }
    if (!change(old, updated))
        return true;
    Report(options, "-", "cannot be changed in place; give the entry file itself");
    return false;
}

} // namespace

bool RewriteEntryFile(const Options& options, const std::string& path,
                      const vorna::RewriteChange& change) {
    if (path == "-")
        return ChangeStandardInput(options, change);
    const vorna::FileResult result = vorna::RewriteFile(
        path, vorna::RewriteOptions{options.waitSeconds, !options.Has("--no-backup")}, change,
        &g_lastRewrite);
    if (g_lastRewrite.stillWritten)
        Report(options, path,
               "note: another program still had the old version open for writing; what it "
               "writes there from now on is not in the file");
    if (result.Ok())
        return true;
    Report(options, path, DescribeFile(result));
    return false;
}

std::string BackupNote(const std::string& path, const Options& options) {
    if (options.Has("--no-backup"))
        return "";
    return " (the old version is " +
           (g_lastRewrite.backupPath.empty() ? vorna::BackupPathOf(path)
                                             : g_lastRewrite.backupPath) +
           ")";
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

std::string Count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool ReadEntryTexts(const Options& options, bool bothNeeded, std::optional<std::string> (&texts)[2],
                    int& status) {
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
        std::string why;
        texts[k].emplace();
        if (!ToEntryBytes(given, raw, text != nullptr, *texts[k], why)) {
            Report(options, options.positional.empty() ? "" : options.positional[0],
                   "the " + name + " cannot be written in code page 936: " + why +
                       "; nothing was " + (options.command == "add" ? "added" : "changed"));
            return false;
        }
    }
    status = kExitOk;
    return true;
}

} // namespace vendu
