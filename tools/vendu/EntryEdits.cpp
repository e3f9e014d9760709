#include "tools/vendu/EntryEdits.h"

#include "tools/vendu/Commands.h"

#include "knowledge/EntryFile.h"
#include "text/CodePage.h"

#include <algorithm>
#include <set>
#include <utility>

namespace vendu {

namespace {

using vorna::FindingCode;

// The line break that ends text ("\r\n", "\n") or an empty view.
std::string_view TrailingBreak(std::string_view text) {
    if (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n")
        return text.substr(text.size() - 2);
    if (!text.empty() && text.back() == '\n')
        return text.substr(text.size() - 1);
    return text.substr(text.size());
}

std::string_view LeadingBreak(std::string_view text) {
    if (text.substr(0, 2) == "\r\n")
        return text.substr(0, 2);
    return text.substr(0, text.substr(0, 1) == "\n" ? 1 : 0);
}

bool IsBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

bool Left(FindingCode code) {
    switch (code) {
    case FindingCode::lookAlikeMarker:
    case FindingCode::preambleText:
    case FindingCode::preambleAnswerMarker:
    case FindingCode::answerMarkerInAnswer:
    case FindingCode::invalidCp936:
    case FindingCode::duplicateEntry:
    case FindingCode::looksLikeUtf8:
        return true;
    default:
        return false;
    }
}

// Whether a marker would stand across the end of out if next followed it.
bool JoinsIntoMarker(const std::string& out, std::string_view next) {
    const std::size_t tail = std::min<std::size_t>(out.size(), vorna::kMarkerLength - 1);
    std::string joined = out.substr(out.size() - tail);
    joined.append(next.substr(0, std::min(next.size(), vorna::kMarkerLength - 1)));
    return joined.find(vorna::kQuestionMarker) != std::string::npos ||
           joined.find(vorna::kAnswerMarker) != std::string::npos;
}

} // namespace

std::string_view EntryLayout::Question(std::size_t index) const {
    const vorna::EntrySpan& s = entries[index];
    return content.substr(s.QuestionBegin(), s.answerMarker - s.QuestionBegin());
}

std::string_view EntryLayout::Answer(std::size_t index) const {
    const vorna::EntrySpan& s = entries[index];
    return content.substr(s.AnswerBegin(), s.next - s.AnswerBegin());
}

bool EntryLayout::FollowedByRecord(std::size_t index) const {
    return entries[index].next < content.size();
}

EntryLayout LayOut(std::string_view content) {
    EntryLayout layout{content, {}};
    for (const vorna::EntrySpan& span : vorna::ScanEntrySpans(content)) {
        if (span.Kept())
            layout.entries.push_back(span);
    }
    return layout;
}

FixPlan PlanFix(std::string_view content) {
    FixPlan plan;
    const vorna::FileDiagnosis diagnosis = vorna::DiagnoseEntryFile(content);
    // What goes where in one pass: text inserted before an offset, NUL runs skipped.
    std::vector<std::pair<std::size_t, const vorna::Finding*>> edits;
    for (const vorna::Finding& f : diagnosis.findings) {
        if (f.code == FindingCode::lostEntry &&
            !IsBlank(content.substr(f.textBegin, f.textLength))) {
            edits.emplace_back(f.textBegin + f.textLength, &f);
        } else if (f.code == FindingCode::nulBytes) {
            edits.emplace_back(f.textBegin, &f);
        } else if (Left(f.code) || f.code == FindingCode::lostEntry) {
            plan.notes.push_back({FixKind::left, f});
        }
    }
    std::stable_sort(edits.begin(), edits.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    std::string& out = plan.updated;
    out.reserve(content.size() + content.size() / 16);
    FixNote lineBreaks{FixKind::lineBreaks, vorna::Finding{}};
    std::size_t from = 0;
    // Copies content up to end, putting CR before every LF without one.
    const auto copy = [&](std::size_t end) {
        for (; from < end; ++from) {
            if (content[from] == '\n' && (out.empty() || out.back() != '\r')) {
                if (lineBreaks.count++ == 0)
                    lineBreaks.finding.offset = from;
                out += '\r';
            }
            out += content[from];
        }
    };
    for (const auto& [at, finding] : edits) {
        copy(at);
        if (finding->code == FindingCode::lostEntry) {
            const std::string_view text = content.substr(finding->textBegin, finding->textLength);
            out += vorna::kAnswerMarker;
            if (!TrailingBreak(text).empty())
                out += "\r\n";
            plan.notes.push_back({FixKind::lostQuestion, *finding});
            continue;
        }
        const std::size_t end = finding->textBegin + finding->textLength;
        const std::size_t nextNul = content.find('\0', end);
        const std::string_view after = content.substr(
            end, (nextNul == std::string_view::npos ? content.size() : nextNul) - end);
        if (JoinsIntoMarker(out, after)) {
            plan.notes.push_back({FixKind::keptNulBytes, *finding});
            copy(end);
        } else {
            plan.notes.push_back({FixKind::nulBytes, *finding});
            from = end;
        }
    }
    copy(content.size());
    std::stable_sort(plan.notes.begin(), plan.notes.end(), [](const FixNote& a, const FixNote& b) {
        return a.finding.offset < b.finding.offset;
    });
    if (lineBreaks.count > 0)
        plan.notes.push_back(lineBreaks);
    for (const FixNote& note : plan.notes) {
        const bool mended = note.kind == FixKind::lostQuestion || note.kind == FixKind::nulBytes ||
                            note.kind == FixKind::lineBreaks;
        ++(mended ? plan.mends : plan.left);
    }
    return plan;
}

ConvertPlan PlanConvert(std::string_view content) {
    ConvertPlan plan;
    std::size_t begin = 0;
    if (content.substr(0, 3) == "\xEF\xBB\xBF") {
        plan.byteOrderMark = true;
        begin = 3;
    }
    for (std::size_t i = begin; i < content.size();) {
        const std::size_t length = vorna::Utf8CharLength(content, i);
        if (length == 0) {
            plan.refused.push_back({i, 1, 0});
            return plan;
        }
        i += length;
    }
    const std::string_view text = content.substr(begin);
    vorna::Converted<std::string> whole =
        vorna::Convert(text, vorna::Encoding::utf8, vorna::Encoding::cp936);
    if (whole.ok) {
        plan.updated = std::move(whole.text);
        return plan;
    }
    // Each character that the code page lacks: the conversion stops at the first, so it goes
    // on after each, line by line.
    for (std::size_t line = begin; line < content.size();) {
        const std::size_t lf = content.find('\n', line);
        const std::size_t end = lf == std::string_view::npos ? content.size() : lf + 1;
        for (std::size_t at = line; at < end;) {
            const vorna::Converted<std::string> converted = vorna::Convert(
                content.substr(at, end - at), vorna::Encoding::utf8, vorna::Encoding::cp936);
            if (converted.ok)
                break;
            vorna::ConversionError error = converted.error;
            error.offset += at;
            error.length = std::max<std::size_t>(error.length, 1);
            plan.refused.push_back(error);
            at = error.offset + error.length;
        }
        line = end;
    }
    return plan;
}

std::string RemoveEntries(const EntryLayout& layout, std::vector<std::size_t> numbers) {
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    const std::string_view content = layout.content;
    std::vector<std::pair<std::size_t, std::size_t>> cuts;
    for (const std::size_t number : numbers) {
        const vorna::EntrySpan& span = layout.entries[number - 1];
        if (!cuts.empty() && cuts.back().second == span.questionMarker)
            cuts.back().second = span.next;
        else
            cuts.emplace_back(span.questionMarker, span.next);
    }
    if (!cuts.empty() && cuts.back().second == content.size())
        cuts.back().first -= TrailingBreak(content.substr(0, cuts.back().first)).size();
    std::string out;
    std::size_t from = 0;
    for (const auto& [begin, end] : cuts) {
        out.append(content.substr(from, begin - from));
        from = end;
    }
    out.append(content.substr(from));
    return out;
}

std::vector<std::size_t> RepeatedEntries(const vorna::FileDiagnosis& diagnosis) {
    std::vector<std::size_t> numbers;
    for (const vorna::Finding& f : diagnosis.findings) {
        if (f.code == FindingCode::duplicateEntry)
            numbers.push_back(f.entry);
    }
    return numbers;
}

std::string ReplaceEntry(const EntryLayout& layout, std::size_t number,
                         const std::optional<std::string>& question,
                         const std::optional<std::string>& answer) {
    const std::size_t index = number - 1;
    const vorna::EntrySpan& span = layout.entries[index];
    const auto framed = [](std::string_view old, const std::string& text, bool trail) {
        return std::string(LeadingBreak(old)) + text +
               std::string(trail ? TrailingBreak(old.substr(LeadingBreak(old).size()))
                                 : std::string_view());
    };
    const std::string_view oldQuestion = layout.Question(index);
    const std::string_view oldAnswer = layout.Answer(index);
    std::string out(layout.content.substr(0, span.QuestionBegin()));
    out += question ? framed(oldQuestion, *question, true) : std::string(oldQuestion);
    out += vorna::kAnswerMarker;
    out += answer ? framed(oldAnswer, *answer, layout.FollowedByRecord(index))
                  : std::string(oldAnswer);
    out.append(layout.content.substr(span.next));
    return out;
}

std::string AppendEntries(const EntryLayout& target, const std::vector<EntryLayout>& sources,
                          bool skipPresent, std::size_t& added) {
    // Entries are the same when their texts as written are.
    std::set<std::pair<std::string_view, std::string_view>> present;
    const auto written = [](const EntryLayout& layout, std::size_t i) {
        return std::make_pair(WrittenText(layout.Question(i), true),
                              WrittenText(layout.Answer(i), layout.FollowedByRecord(i)));
    };
    if (skipPresent) {
        for (std::size_t i = 0; i < target.entries.size(); ++i)
            present.insert(written(target, i));
    }
    std::string out(target.content);
    added = 0;
    for (const EntryLayout& source : sources) {
        for (std::size_t i = 0; i < source.entries.size(); ++i) {
            const auto texts = written(source, i);
            if (skipPresent && !present.insert(texts).second)
                continue;
            out += vorna::MakeRecord(texts.first, texts.second);
            ++added;
        }
    }
    return out;
}

void EntryStats::AddEntries(std::string_view window) {
    for (const vorna::EntrySpan& span : vorna::ScanEntrySpans(window)) {
        if (!span.Kept())
            continue;
        ++entries;
        if (span.next - span.questionMarker > largestBytes) {
            largestBytes = span.next - span.questionMarker;
            largestEntry = entries;
        }
    }
}

void EntryStats::AddFinding(const vorna::Finding& finding) {
    ++(vorna::IsDataLoss(finding.code) ? errors : warnings);
    repeats += finding.code == FindingCode::duplicateEntry;
}

} // namespace vendu
