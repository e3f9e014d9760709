// vendu search and show: the program's matching over a file's entries, read a window of
// whole entries at a time, and one entry printed whole.
#include "tools/vendu/Commands.h"

#include "tools/vendu/Console.h"
#include "tools/vendu/EntryInput.h"
#include "tools/vendu/EntryNumbers.h"
#include "tools/vendu/Formats.h"
#include "tools/vendu/Keyword.h"
#include "tools/vendu/ShowText.h"

#include "knowledge/EntryFile.h"
#include "knowledge/EntrySpans.h"
#include "knowledge/Search.h"
#include "text/Convert.h"
#include "text/Find.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <functional>
#include <map>
#include <new>

namespace vendu {

namespace {

// The entries of an input in windows of whole entries.
vorna::FileResult ForEachInputWindow(EntryInput& input,
                                     const std::function<void(std::string_view)>& visit) {
    // Where files can be mapped, the windows are views of the file: no copy of its bytes.
    vorna::WindowReading reading;
    reading.viewSize = 4 << 20;
    const vorna::FileResult read =
        input.Pass(reading, [&visit](const vorna::Window& w) { visit(w.bytes); });
    // A window that does not fit ends the command as any allocation that fails does.
    if (read.status == vorna::FileStatus::tooBig)
        throw std::bad_alloc();
    return read;
}

// A kept entry of a window: its two texts as the file holds them.
struct EntryTexts {
    std::string_view question;
    std::string_view answer;
};

EntryTexts TextsOf(std::string_view window, const vorna::EntrySpan& span) {
    return {window.substr(span.QuestionBegin(), span.answerMarker - span.QuestionBegin()),
            window.substr(span.AnswerBegin(), span.next - span.AnswerBegin())};
}

// A match as a JSON object. followed: another question marker comes after the entry.
nlohmann::ordered_json JsonEntry(std::size_t number, const EntryTexts& texts, bool followed,
                                 bool raw, vorna::Encoding encoding) {
    nlohmann::ordered_json object = {{"entry", number}};
    const std::string_view written[2] = {WrittenText(texts.question, true),
                                         WrittenText(texts.answer, followed)};
    std::size_t badByte[2];
    AddEntryTexts(object, written, raw, badByte, encoding);
    return object;
}

// The same as one line of JSON Lines.
std::string JsonMatch(std::size_t number, const EntryTexts& texts, bool followed, bool raw,
                      vorna::Encoding encoding) {
    return JsonText(JsonEntry(number, texts, followed, raw, encoding)) + "\n";
}

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
    return (!noColor || !*noColor) && StandardOutputIsTerminal() && EnableColor();
}

// The caption exactly as the program builds it, for the keyword as given (in encoding); with
// raw in the texts' bytes, as the entries are printed.
std::string Caption(const std::string& keyword, std::size_t count, bool raw,
                    vorna::Encoding encoding) {
    if (!raw)
        return vorna::MatchCaption(ShowText(keyword, false, nullptr, encoding), count) + "\n";
    std::string caption =
        vorna::Convert(vorna::MatchCaption("\x01", count), vorna::Encoding::utf8, encoding).text;
    caption.replace(caption.find('\x01'), 1, ShowText(keyword, true, nullptr, encoding));
    return caption + "\n";
}

} // namespace

int RunSearch(const Options& options) {
    if (options.positional.size() != 2)
        return UsageError(options, "give a file and a keyword");
    std::string error;
    const bool color = WantColor(options, error);
    if (!error.empty())
        return UsageError(options, error);
    const std::string& path = options.positional[0];
    const bool raw = options.Has("--raw");
    std::string given, why;
    if (!ToEntryBytes(options.positional[1], raw, true, given, why, vorna::Encoding::utf8)) {
        Report(options,
               "the keyword cannot be searched for: " + why + " (--raw takes it as bytes)");
        return kExitError;
    }
    EntryInput input;
    if (const vorna::FileResult opened = input.Open(options, path); !opened.Ok()) {
        Report(options, path, DescribeFile(opened));
        return kExitError;
    }
    const TextCoding& coding = input.Coding();
    // A keyword the file's encoding cannot hold matches nothing in it.
    vorna::Converted<std::string> converted;
    if (KeptAsBytes(raw, true))
        converted.text = given;
    else
        converted = coding.FromUtf8(given);
    const bool unmatchable = !converted.ok;
    const std::string& keyword = unmatchable ? given : converted.text;
    const vorna::Encoding keywordEncoding = unmatchable ? vorna::Encoding::utf8 : coding.Text();
    const bool quiet = options.Has("--quiet");
    const bool countOnly = !quiet && options.Has("--count");
    const bool json = !quiet && !countOnly && options.Has("--json");
    const bool lines = !quiet && !countOnly && !json;
    const bool numbered = options.Has("--number");
    const bool ignoreCase = options.Has("--ignore-case");
    const KeywordMatcher matcher(keyword, ignoreCase, coding.Lead());
    const Marking marking = color ? Marking{"\x1b[1;31m", "\x1b[0m"} : Marking{};

    // The program's search, entry by entry: the question, and only when it does not hold the
    // keyword, the answer. Either way an entry matches when one of its two texts holds the
    // keyword, which one pass over each window of whole entries tells.
    const vorna::LeadBytes lead = coding.Lead();
    std::size_t entry = 0, count = 0;
    bool invalid = false;
    std::string out;
    // A JSON match that ends its window waits for the next one: only then is it known whether
    // its answer is the file's last, which keeps its final line break.
    struct {
        bool waiting = false;
        std::size_t number = 0;
        std::string question, answer;
    } pending;
    const auto flushPending = [&](bool followed) {
        if (pending.waiting)
            out += JsonMatch(pending.number, {pending.question, pending.answer}, followed, raw,
                             coding.Text());
        pending.waiting = false;
    };
    std::vector<vorna::EntrySpan> spans;
    std::vector<std::size_t> matching;
    const auto visit = [&](std::string_view window) {
        flushPending(true);
        // Counting needs the entries only where the keyword's bytes occur; listing numbers
        // every entry, unless nobody reads the list any more.
        if ((quiet && count > 0) || StandardOutputFailed() || unmatchable)
            return;
        if (!lines && !json && !ignoreCase) {
            count += vorna::CountMatchingEntries(window, keyword, lead);
            return;
        }
        vorna::ScanEntrySpans(window, spans);
        if (ignoreCase) {
            matching.clear();
            for (std::size_t k = 0; k < spans.size(); ++k) {
                if (!spans[k].Kept())
                    continue;
                const EntryTexts texts = TextsOf(window, spans[k]);
                if (matcher.Contains(texts.question) || matcher.Contains(texts.answer))
                    matching.push_back(k);
            }
        } else {
            vorna::FindMatchingSpans(window, spans, keyword, lead, matching);
        }
        count += matching.size();
        if (!lines && !json)
            return;
        std::size_t s = 0;
        for (const std::size_t k : matching) {
            for (; s < k; ++s)
                entry += spans[s].Kept();
            const EntryTexts texts = TextsOf(window, spans[k]);
            const std::size_t number = entry + 1;
            if (json && spans[k].next == window.size()) {
                pending.waiting = true;
                pending.number = number;
                pending.question = texts.question;
                pending.answer = texts.answer;
            } else if (json) {
                out += JsonMatch(number, texts, true, raw, coding.Text());
            } else {
                std::vector<Mark> marks;
                if (color) {
                    marks = matcher.FindAll(texts.question);
                    for (const Mark& m : matcher.FindAll(texts.answer))
                        marks.push_back({m.begin + texts.question.size() + 1,
                                         m.end + texts.question.size() + 1});
                }
                if (numbered)
                    out += std::to_string(number) + ":";
                out += OneLine(vorna::MakeLabel(texts.question, texts.answer), marks, marking, raw,
                               &invalid, coding.Text());
                out += '\n';
            }
        }
        for (; s < spans.size(); ++s)
            entry += spans[s].Kept();
        if (out.size() >= (1u << 16)) {
            raw ? WriteBytes(stdout, out) : WriteText(stdout, out);
            out.clear();
        }
    };
    const vorna::FileResult read = ForEachInputWindow(input, visit);
    if (!read.Ok()) {
        Report(options, path, DescribeFile(read));
        return kExitError;
    }
    flushPending(false);
    if (unmatchable && !quiet)
        Report(options, path,
               "note: the file is " + coding.Name() + ", which cannot hold " +
                   NamedCharacter(given, converted.error) + ": the keyword matches nothing in it");
    const int status = count == 0 ? kExitFindings : kExitOk;
    if (quiet)
        return status;
    if (countOnly) {
        WriteBytes(stdout, std::to_string(count) + "\n");
        return status;
    }
    raw ? WriteBytes(stdout, out) : WriteText(stdout, out);
    // A person at a terminal reads the caption below the matches; a program reading the
    // output gets the matches alone.
    const std::string caption = Caption(keyword, count, raw, keywordEncoding);
    std::FILE* captionStream =
        options.Has("--caption") || StandardOutputIsTerminal() ? stdout : stderr;
    raw ? WriteBytes(captionStream, caption) : WriteText(captionStream, caption);
    if (invalid)
        Report(options, std::string("note: bytes that are not ") + coding.TextName() +
                            " are shown as \\xHH");
    return status;
}

int RunShow(const Options& options) {
    if (options.positional.size() < 2)
        return UsageError(options, "give a file and an entry number");
    const std::string& path = options.positional[0];
    std::vector<NumberRange> ranges;
    std::string why;
    if (!ParseEntryNumbers({options.positional.begin() + 1, options.positional.end()}, ranges, why))
        return UsageError(options, why);
    const bool raw = options.Has("--raw");
    const bool jsonLines = options.Has("--jsonl");
    const bool json = !jsonLines && options.Has("--json");
    EntryInput input;
    if (const vorna::FileResult opened = input.Open(options, path, false, true); !opened.Ok()) {
        Report(options, path, DescribeFile(opened));
        return kExitError;
    }
    const vorna::Encoding encoding = input.Coding().Text();
    // The entries asked for, as the file holds them; followed: a question marker comes after.
    struct Shown {
        std::string record, question, answer;
        bool followed = false;
    };
    std::map<std::size_t, Shown> shown;
    Shown* lastOfWindow = nullptr;
    std::size_t entry = 0;
    std::vector<vorna::EntrySpan> spans;
    const std::size_t last = LastNumber(ranges);
    const auto visit = [&](std::string_view window) {
        if (lastOfWindow)
            lastOfWindow->followed = true;
        lastOfWindow = nullptr;
        if (entry >= last)
            return;
        vorna::ScanEntrySpans(window, spans);
        for (const vorna::EntrySpan& span : spans) {
            if (!span.Kept() || !InRanges(ranges, ++entry))
                continue;
            Shown& one = shown[entry];
            one.followed = span.next < window.size();
            one.record = window.substr(span.questionMarker, span.next - span.questionMarker);
            const EntryTexts texts = TextsOf(window, span);
            one.question = texts.question;
            one.answer = texts.answer;
            lastOfWindow = one.followed ? nullptr : &one;
        }
    };
    const vorna::FileResult read = ForEachInputWindow(input, visit);
    if (!read.Ok()) {
        Report(options, path, read);
        return kExitError;
    }
    int status = kExitOk;
    bool invalid = false;
    std::string out;
    nlohmann::ordered_json entries = nlohmann::ordered_json::array();
    for (const NumberRange& range : ranges) {
        for (std::size_t number = range.first; number <= range.last; ++number) {
            const auto found = shown.find(number);
            if (found == shown.end()) {
                Report(options, path,
                       "no entry " + std::to_string(number) + " (the file has " +
                           std::to_string(entry) + (entry == 1 ? " entry)" : " entries)"));
                status = kExitFindings;
                break;
            }
            Shown& one = found->second;
            if (json || jsonLines) {
                nlohmann::ordered_json object =
                    JsonEntry(number, {one.question, one.answer}, one.followed, raw, encoding);
                if (json)
                    entries.push_back(std::move(object));
                else
                    out += JsonText(object) + "\n";
                continue;
            }
            if (one.record.empty() || one.record.back() != '\n')
                one.record += '\n';
            out += raw ? one.record : WholeText(one.record, false, &invalid, encoding);
        }
    }
    if (json)
        out = JsonText({{"file", InputName(path)}, {"entries", entries}}) + "\n";
    raw || json || jsonLines ? WriteBytes(stdout, out) : WriteText(stdout, out);
    if (invalid)
        Report(options, std::string("note: bytes that are not ") + input.Coding().TextName() +
                            " are shown as \\xHH");
    return status;
}

} // namespace vendu
