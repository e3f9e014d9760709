#include "tools/vendu/EditSupport.h"

#include "tools/vendu/Console.h"

#include "diagnostics/Diagnostics.h"

namespace vendu {

bool RewriteEntryFile(const char* command, const std::string& path, const Options& options,
                      const vorna::RewriteChange& change) {
    const vorna::FileResult result = vorna::RewriteFile(
        path, vorna::RewriteOptions{options.waitSeconds, !options.Has("--no-backup")}, change);
    if (result.Ok())
        return true;
    Complain(command, path + ": " + result.Describe(), kExitError);
    return false;
}

std::string BackupNote(const std::string& path, const Options& options) {
    if (options.Has("--no-backup"))
        return "";
    return " (the old version is " + vorna::BackupPathOf(path) + ")";
}

std::vector<std::string> Places(const std::string& path, std::string_view content,
                                const std::vector<std::size_t>& offsets) {
    std::vector<std::string> places;
    for (const vorna::TextPosition& at : vorna::LocateOffsets(content, offsets))
        places.push_back(path + ":" + std::to_string(at.line) + ":" + std::to_string(at.column));
    return places;
}

std::string Count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

int Complain(const char* command, const std::string& text, int status) {
    WriteText(stderr, std::string("vendu ") + command + ": " + text + "\n");
    return status;
}

bool ReadEntryTexts(const char* command, const char* usage, const Options& options, bool bothNeeded,
                    std::optional<std::string> (&texts)[2], int& status) {
    const bool raw = options.Has("--raw");
    const std::string who = std::string("vendu ") + command + ": ";
    bool stdinTaken = false;
    const char* names[2] = {"question", "answer"};
    for (int k = 0; k < 2; ++k) {
        const std::string name = names[k];
        const std::string* text = options.Value("--" + name);
        const std::string* file = options.Value("--" + name + "-file");
        if (text && file) {
            status = Complain(
                command, "give --" + name + " or --" + name + "-file, not both\nusage: " + usage,
                kExitError);
            return false;
        }
        if (!text && !file) {
            if (bothNeeded) {
                status = Complain(command,
                                  "give --" + name + " or --" + name +
                                      "-file (one of them)\nusage: " + usage,
                                  kExitError);
                return false;
            }
            continue;
        }
        std::string given;
        if (file && *file == "-") {
            if (stdinTaken) {
                status = Complain(
                    command,
                    std::string("only one text can come from standard input\nusage: ") + usage,
                    kExitError);
                return false;
            }
            stdinTaken = true;
            if (!ReadStandardInput(given)) {
                WriteText(stderr, who + "reading standard input failed\n");
                status = kExitError;
                return false;
            }
        } else if (file) {
            const vorna::FileResult read = ReadShared(*file, options.waitSeconds, given);
            if (!read.Ok()) {
                WriteText(stderr, who + *file + ": " + read.Describe() + "\n");
                status = kExitError;
                return false;
            }
        } else {
            given = *text;
        }
        std::string why;
        texts[k].emplace();
        if (!ToEntryBytes(given, raw, text != nullptr, *texts[k], why)) {
            WriteText(stderr, who + "the " + name + " cannot be written in code page 936: " + why +
                                  "; nothing was " +
                                  (command == std::string("add") ? "added" : "changed"));
            status = kExitError;
            return false;
        }
    }
    return true;
}

} // namespace vendu
