// vendu search over any number of files and folders: the inputs gathered (folders walked for
// entry files), each searched in its own encoding, and what is told of them: lines behind the
// file's name, counts, names, one JSON document or JSON Lines.
#include "tools/vendu/Commands.h"

#include "tools/vendu/Console.h"
#include "tools/vendu/Formats.h"
#include "tools/vendu/SearchInput.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace vendu {

namespace {

namespace fs = std::filesystem;

// Whether the keyword is to be marked: --color=WHEN, auto by default. False with a usage
// error in error when WHEN is none of the three.
bool WantColor(const Options& options, std::string& error) {
    const std::string* given = options.Value("--color");
    const std::string when = given && !given->empty() ? *given : "auto";
    if (when == "never")
        return false;
    if (when == "always")
        return EnableColor();
    if (when != "auto") {
        error = "--color takes auto, always or never";
        return false;
    }
    const char* noColor = std::getenv("NO_COLOR");
    const char* term = std::getenv("TERM");
    return (!noColor || !*noColor) && !(term && std::strcmp(term, "dumb") == 0) &&
           StandardOutputIsTerminal() && EnableColor();
}

bool SameCharacter(char a, char b) {
#ifdef _WIN32
    // Windows does not tell names apart by the case of their letters.
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c;
    };
    return lower(a) == lower(b);
#else
    return a == b;
#endif
}

// One item of a glob at g ("?", a set "[...]", or a character) against c; g moves past it.
bool ItemMatches(std::string_view glob, std::size_t& g, char c) {
    if (glob[g] == '?') {
        ++g;
        return true;
    }
    if (glob[g] == '[') {
        std::size_t i = g + 1;
        const bool negate = i < glob.size() && (glob[i] == '!' || glob[i] == '^');
        i += negate;
        const std::size_t first = i;
        bool found = false;
        const auto u = [](char x) { return static_cast<unsigned char>(x); };
        while (i < glob.size() && (glob[i] != ']' || i == first)) {
            if (i + 2 < glob.size() && glob[i + 1] == '-' && glob[i + 2] != ']') {
                found = found || (u(c) >= u(glob[i]) && u(c) <= u(glob[i + 2]));
                i += 3;
            } else {
                found = found || SameCharacter(glob[i], c);
                ++i;
            }
        }
        if (i < glob.size()) {
            g = i + 1;
            return found != negate;
        }
    }
    return SameCharacter(glob[g++], c); // a '[' that never closes is itself
}

// Whether a file name matches a glob: '*' any run of characters, '?' one, '[a-z]' one of a set
// ('!' or '^' first: none of it).
bool GlobMatches(std::string_view glob, std::string_view name) {
    std::size_t g = 0, n = 0, starGlob = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        std::size_t next = g;
        if (g < glob.size() && glob[g] == '*') {
            starGlob = g++;
            starName = n;
        } else if (g < glob.size() && ItemMatches(glob, next, name[n])) {
            g = next;
            ++n;
        } else if (starGlob != std::string_view::npos) {
            g = starGlob + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (g < glob.size() && glob[g] == '*')
        ++g;
    return g == glob.size();
}

// A backup that the rewriting commands keep: FILE.bak, FILE.bak.1, ...
bool IsBackup(const std::string& name) {
    const std::size_t at = name.rfind(".bak");
    if (at == std::string::npos)
        return false;
    const std::string rest = name.substr(at + 4);
    return rest.empty() || (rest.size() > 1 && rest[0] == '.' &&
                            rest.find_first_not_of("0123456789", 1) == std::string::npos);
}

bool Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::u8path(path), error);
}

bool IsFolder(const std::string& path) {
    std::error_code error;
    return path != "-" && fs::is_directory(fs::u8path(path), error);
}

// The entry files of a folder and of the folders in it, by name in each: *.vendu (or what the
// globs name), without hidden files and folders, backups or what is not a plain file, and
// without following links to folders. False when a folder could not be listed (said).
bool WalkFolder(const Options& options, const std::string& folder,
                const std::vector<std::string>& globs, std::vector<std::string>& files) {
    std::error_code error;
    fs::directory_iterator it(fs::u8path(folder), error);
    std::vector<std::pair<std::string, bool>> found; // name, a folder to walk
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().u8string();
        std::error_code ignored;
        if (name.empty() || name[0] == '.')
            continue;
        if (!it->is_symlink(ignored) && it->is_directory(ignored))
            found.emplace_back(name, true);
        else if (it->is_regular_file(ignored))
            found.emplace_back(name, false);
    }
    if (error) {
        Report(options, folder, "cannot be listed: " + error.message());
        return false;
    }
    std::sort(found.begin(), found.end());
    const bool separated = folder.back() == '/' || folder.back() == '\\';
    bool ok = true;
    for (const auto& [name, isFolder] : found) {
        const std::string path = folder + (separated ? "" : "/") + name;
        if (isFolder) {
            ok = WalkFolder(options, path, globs, files) && ok;
            continue;
        }
        const bool wanted =
            globs.empty() ? GlobMatches("*.vendu", name)
                          : std::any_of(globs.begin(), globs.end(), [&name](const std::string& g) {
                                return GlobMatches(g, name);
                            });
        if (wanted && !IsBackup(name))
            files.push_back(path);
    }
    return ok;
}

std::string Quoted(const std::string& text) {
    return JsonText(nlohmann::ordered_json(text));
}

// What is told of each input, and how.
enum class Telling { lines, count, withMatches, withoutMatch, quiet };

} // namespace

int RunSearch(const Options& options) {
    std::vector<std::string> operands = options.positional;
    SearchPlan plan;
    std::vector<std::string> given = options.List("--keyword");
    if (given.empty()) {
        if (operands.size() < 2)
            return UsageError(options, "give a file and a keyword");
        // "vendu search KEYWORD FILE" as grep takes it: said, never guessed.
        if (operands.front() != "-" && !Exists(operands.front()) && Exists(operands.back())) {
            Report(options, "give the file first: vendu search FILE KEYWORD");
            return kExitError;
        }
        given.push_back(operands.back());
        operands.pop_back();
    } else if (operands.empty()) {
        return UsageError(options, "give a file or a folder");
    }
    // -q prints nothing, JSON neither.
    const bool quiet = options.Has("--quiet");
    const bool json = !quiet && options.Has("--json"), jsonl = !quiet && options.Has("--jsonl");
    const bool withMatches = options.Has("--files-with-matches");
    const bool withoutMatch = options.Has("--files-without-match");
    if (json && jsonl)
        return UsageError(options, "--json and --jsonl exclude each other");
    if (withMatches && withoutMatch)
        return UsageError(options, "-l and -L exclude each other");
    if ((json || jsonl) && (withMatches || withoutMatch))
        return UsageError(options, "-l and -L print names, not JSON");
    if (const std::string* max = options.Value("--max-count")) {
        if (max->empty() || max->size() > 18 ||
            max->find_first_not_of("0123456789") != std::string::npos)
            return UsageError(options, "--max-count takes a whole number, 0 or more");
        plan.maxCount = std::stoull(*max);
    }
    std::string error;
    plan.colour = WantColor(options, error);
    if (!error.empty())
        return UsageError(options, error);
    plan.raw = options.Has("--raw");
    for (const std::string& keyword : given) {
        std::string bytes, why;
        if (!ToEntryBytes(keyword, plan.raw, true, bytes, why, vorna::Encoding::utf8)) {
            Report(options,
                   "the keyword cannot be searched for: " + why + " (--raw takes it as bytes)");
            return kExitError;
        }
        plan.keywords.push_back(std::move(bytes));
    }
    plan.ignoreCase = options.Has("--ignore-case");
    plan.smartCase = options.Has("--smart-case");
    plan.wholeWord = options.Has("--word");
    plan.invert = options.Has("--invert");
    plan.numbered = options.Has("--number");
    plan.quiet = quiet;
    plan.marking = plan.colour ? Marking{"\x1b[1;31m", "\x1b[0m"} : Marking{};
    const Telling telling = plan.quiet               ? Telling::quiet
                            : withMatches            ? Telling::withMatches
                            : withoutMatch           ? Telling::withoutMatch
                            : options.Has("--count") ? Telling::count
                                                     : Telling::lines;
    plan.lines = telling == Telling::lines;
    if (telling == Telling::withMatches || telling == Telling::withoutMatch)
        plan.maxCount = std::min<std::size_t>(plan.maxCount, 1);

    std::vector<std::string> files;
    bool failed = false, folders = false;
    for (const std::string& operand : operands) {
        if (!IsFolder(operand)) {
            files.push_back(operand);
            continue;
        }
        folders = true;
        failed = !WalkFolder(options, operand, options.List("--glob"), files) || failed;
    }
    const bool withNames = options.Has("--with-filename") ||
                           (!options.Has("--no-filename") && (operands.size() > 1 || folders));
    const char afterName = options.Has("--null") ? '\0' : ':';
    const bool machine = json || jsonl;
    // The program's caption belongs to one file searched for one keyword, every match counted.
    const bool caption = plan.lines && operands.size() == 1 && !folders &&
                         plan.keywords.size() == 1 && !plan.invert && !options.Value("--max-count");

    std::size_t total = 0, errors = 0;
    bool listed = false;
    std::string out = json ? "{\"files\": [" : "";
    const auto emit = [&](const std::string& text, bool bytes) {
        bytes ? WriteBytes(stdout, text) : WriteText(stdout, text);
    };
    for (std::size_t f = 0; f < files.size() && !StandardOutputFailed(); ++f) {
        const std::string& path = files[f];
        const std::string name = InputName(path);
        const std::string separator = f == 0 ? "\n  " : ",\n  ";
        const std::string head = separator + "{\"file\": " + Quoted(name) + ", \"matches\": [";
        bool started = false;
        MatchText matchText;
        if (machine && plan.lines) {
            matchText = [&](std::size_t number, std::string_view question, std::string_view answer,
                            bool followed, vorna::Encoding encoding) {
                nlohmann::ordered_json object;
                if (jsonl)
                    object["file"] = name;
                object["entry"] = number;
                const std::string_view texts[2] = {WrittenText(question, true),
                                                   WrittenText(answer, followed)};
                std::size_t badByte[2];
                AddEntryTexts(object, texts, plan.raw, badByte, encoding);
                if (jsonl)
                    return JsonText(object, true) + "\n";
                const std::string before = started ? ",\n    " : out + head + "\n    ";
                started = true;
                out.clear();
                return before + JsonText(object);
            };
        }
        const std::string prefix = withNames ? name + afterName : std::string();
        const InputSearched searched = SearchInput(options, plan, path, prefix, matchText);
        std::string told;
        if (!searched.ok) {
            failed = true;
            ++errors;
            const nlohmann::ordered_json object = {{"file", name}, {"error", searched.error}};
            // Matches found before a read failed are kept, in the file's object.
            told = json && started ? "\n  ], \"error\": " + Quoted(searched.error) + "}"
                   : json          ? separator + JsonText(object)
                   : jsonl         ? JsonText(object, true) + "\n"
                                   : "";
        } else if (json) {
            told = !plan.lines ? separator + "{\"file\": " + Quoted(name) +
                                     ", \"count\": " + std::to_string(searched.count) + "}"
                   : started ? "\n  ], \"count\": " + std::to_string(searched.count) + "}"
                             : head + "], \"count\": " + std::to_string(searched.count) + "}";
        } else if (jsonl && !plan.lines) {
            told = JsonText({{"file", name}, {"count", searched.count}}, true) + "\n";
        } else if (telling == Telling::count) {
            told = prefix + std::to_string(searched.count) + "\n";
        } else if ((telling == Telling::withMatches && searched.count > 0) ||
                   (telling == Telling::withoutMatch && searched.count == 0)) {
            told = name + (afterName ? '\n' : '\0');
            listed = true;
        }
        total += searched.ok ? searched.count : 0;
        emit(out + told, machine || !afterName);
        out.clear();
        if (caption && searched.ok && !machine) {
            // A person at a terminal reads the caption below the matches; a program reading
            // the output gets the matches alone.
            std::FILE* stream =
                options.Has("--caption") || StandardOutputIsTerminal() ? stdout : stderr;
            plan.raw ? WriteBytes(stream, searched.caption) : WriteText(stream, searched.caption);
        } else if (caption && searched.ok) {
            plan.raw ? WriteBytes(stderr, searched.caption) : WriteText(stderr, searched.caption);
        }
        if (plan.quiet && searched.count > 0)
            return kExitOk;
    }
    if (json)
        emit(out + (files.empty() ? "" : "\n") + "], \"count\": " + std::to_string(total) +
                 ", \"errors\": " + std::to_string(errors) + "}\n",
             true);
    if (failed)
        return kExitError;
    if (telling == Telling::withoutMatch)
        return listed ? kExitOk : kExitFindings;
    return total > 0 ? kExitOk : kExitFindings;
}

} // namespace vendu
