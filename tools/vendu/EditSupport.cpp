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

} // namespace vendu
