// vendu search over one input and show: the program's matching (or grep's habits) over a
// file's entries, read a window of whole entries at a time, and one entry printed whole.
#include "tools/vendu/Commands.h"

#include "tools/vendu/Console.h"
#include "tools/vendu/EntryInput.h"
#include "tools/vendu/EntryNumbers.h"
#include "tools/vendu/Formats.h"
#include "tools/vendu/Keyword.h"
#include "tools/vendu/SearchInput.h"
#include "tools/vendu/ShowText.h"

#include "knowledge/EntryFile.h"
#include "knowledge/EntrySpans.h"
#include "knowledge/Search.h"
#include "text/Convert.h"
#include "text/Find.h"

#include <nlohmann/json.hpp>

#include <algorithm>
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

// The keywords of the plan in a file's text encoding, each with its matcher. A keyword that
// the encoding cannot hold matches nothing in the file, and a note says so.
struct FileKeywords {
    std::vector<std::string> bytes;
    std::vector<KeywordMatcher> matchers;
    bool fast = false; // one keyword by the program's rule: the scans of knowledge/ find it
    bool AnyIn(const EntryTexts& texts) const {
        for (const KeywordMatcher& m : matchers) {
            if (m.Contains(texts.question) || m.Contains(texts.answer))
                return true;
        }
        return false;
    }
    // The marks of every keyword in a label, in order, none overlapping.
    std::vector<Mark> Marks(const EntryTexts& texts) const {
        std::vector<Mark> all;
        for (const KeywordMatcher& m : matchers) {
            for (const Mark& mark : m.FindAll(texts.question))
                all.push_back(mark);
            for (const Mark& mark : m.FindAll(texts.answer))
                all.push_back(
                    {mark.begin + texts.question.size() + 1, mark.end + texts.question.size() + 1});
        }
        std::sort(all.begin(), all.end(),
                  [](const Mark& a, const Mark& b) { return a.begin < b.begin; });
        std::vector<Mark> marks;
        for (const Mark& m : all) {
            if (marks.empty() || m.begin >= marks.back().end)
                marks.push_back(m);
        }
        return marks;
    }
};

FileKeywords KeywordsIn(const Options& options, const SearchPlan& plan, const std::string& path,
                        const TextCoding& coding, std::string& captionKeyword,
                        vorna::Encoding& captionEncoding) {
    FileKeywords keywords;
    bool folds = false;
    for (std::size_t k = 0; k < plan.keywords.size(); ++k) {
        const std::string& given = plan.keywords[k];
        vorna::Converted<std::string> converted;
        if (KeptAsBytes(plan.raw, true))
            converted.text = given;
        else
            converted = coding.FromUtf8(given);
        if (k == 0) {
            captionKeyword = converted.ok ? converted.text : given;
            captionEncoding = converted.ok ? coding.Text() : vorna::Encoding::utf8;
        }
        if (!converted.ok) {
            if (!plan.quiet)
                Report(options, path,
                       "note: the file is " + coding.Name() + ", which cannot hold " +
                           NamedCharacter(given, converted.error) +
                           ": the keyword matches nothing in it");
            continue;
        }
        const bool fold =
            plan.ignoreCase ||
            (plan.smartCase && !KeywordMatcher::HasUpperCase(converted.text, coding.Text()));
        folds = folds || fold;
        keywords.matchers.emplace_back(converted.text, fold, plan.wholeWord, coding.Text());
        keywords.bytes.push_back(std::move(converted.text));
    }
    keywords.fast = keywords.bytes.size() == 1 && !folds && !plan.wholeWord;
    return keywords;
}

} // namespace

InputSearched SearchInput(const Options& options, const SearchPlan& plan, const std::string& path,
                          const std::string& prefix, const MatchText& json) {
    InputSearched result;
    EntryInput input;
    if (const vorna::FileResult opened = input.Open(options, path); !opened.Ok()) {
        result.error = DescribeFile(opened);
        Report(options, path, result.error);
        return result;
    }
    const TextCoding& coding = input.Coding();
    std::string captionKeyword;
    vorna::Encoding captionEncoding = coding.Text();
    const FileKeywords keywords =
        KeywordsIn(options, plan, path, coding, captionKeyword, captionEncoding);
    const bool raw = plan.raw;
    const bool lines = plan.lines && !json;
    const bool listing = lines || json;
    const bool colour = plan.colour && !plan.invert;

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
            out += json(pending.number, pending.question, pending.answer, followed, coding.Text());
        pending.waiting = false;
    };
    std::vector<vorna::EntrySpan> spans;
    std::vector<std::size_t> matching;
    const auto visit = [&](std::string_view window) {
        flushPending(true);
        // Counting needs the entries only where the keyword's bytes occur; listing numbers
        // every entry, unless nobody reads the list any more.
        if (count >= plan.maxCount || (plan.quiet && count > 0) || StandardOutputFailed() ||
            (keywords.bytes.empty() && !plan.invert))
            return;
        if (!listing && keywords.fast && !plan.invert) {
            count = std::min(plan.maxCount,
                             count + vorna::CountMatchingEntries(window, keywords.bytes[0], lead));
            return;
        }
        vorna::ScanEntrySpans(window, spans);
        matching.clear();
        if (keywords.fast) {
            vorna::FindMatchingSpans(window, spans, keywords.bytes[0], lead, matching);
        } else {
            for (std::size_t k = 0; k < spans.size(); ++k) {
                if (spans[k].Kept() && keywords.AnyIn(TextsOf(window, spans[k])))
                    matching.push_back(k);
            }
        }
        if (plan.invert) {
            std::vector<std::size_t> others;
            std::size_t m = 0;
            for (std::size_t k = 0; k < spans.size(); ++k) {
                if (m < matching.size() && matching[m] == k)
                    ++m;
                else if (spans[k].Kept())
                    others.push_back(k);
            }
            matching.swap(others);
        }
        if (matching.size() > plan.maxCount - count)
            matching.resize(plan.maxCount - count);
        count += matching.size();
        if (!listing)
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
                out += json(number, texts.question, texts.answer, true, coding.Text());
            } else {
                out += prefix;
                if (plan.numbered)
                    out += std::to_string(number) + ":";
                out += OneLine(vorna::MakeLabel(texts.question, texts.answer),
                               colour ? keywords.Marks(texts) : std::vector<Mark>(), plan.marking,
                               raw, &invalid, coding.Text());
                out += '\n';
            }
        }
        for (; s < spans.size(); ++s)
            entry += spans[s].Kept();
        if (out.size() >= (1u << 16)) {
            raw || json ? WriteBytes(stdout, out) : WriteText(stdout, out);
            out.clear();
        }
    };
    const vorna::FileResult read = ForEachInputWindow(input, visit);
    if (!read.Ok()) {
        // What was found before stays told, as the lines before it were.
        raw || json ? WriteBytes(stdout, out) : WriteText(stdout, out);
        result.error = DescribeFile(read);
        Report(options, path, result.error);
        return result;
    }
    flushPending(false);
    raw || json ? WriteBytes(stdout, out) : WriteText(stdout, out);
    if (invalid)
        Report(options, path,
               std::string("note: bytes that are not ") + coding.TextName() +
                   " are shown as \\xHH");
    result.ok = true;
    result.count = count;
    result.caption = Caption(captionKeyword, count, raw, captionEncoding);
    return result;
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
