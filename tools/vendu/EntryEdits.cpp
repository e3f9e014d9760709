#include "tools/vendu/EntryEdits.h"

#include "tools/vendu/Commands.h"
#include "tools/vendu/EntryInput.h"
#include "tools/vendu/ShowText.h"

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
    case FindingCode::invalidUtf8:
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

// Whether bytes are valid code page 936 throughout.
bool ValidCp936(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = vorna::Cp936CharLength(bytes, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

const char* TextEncodingName(vorna::Encoding text) {
    return text == vorna::Encoding::utf8 ? "UTF-8" : "GBK";
}

// Why a text in from does not convert to to: "holds "😀" (U+1F600), which GBK cannot hold".
std::string Unconvertible(std::string_view text, vorna::Encoding from, vorna::Encoding to,
                          const vorna::ConversionError& error) {
    if (error.character == 0)
        return "holds bytes that are not " + std::string(TextEncodingName(from)) + " (" +
               HexBytes(text.substr(error.offset, std::max<std::size_t>(error.length, 1))) + ")";
    const std::string utf8 = from == vorna::Encoding::utf8 ? std::string(text) : std::string();
    return "holds " + NamedCharacter(utf8, error) + ", which " + TextEncodingName(to) +
           " cannot hold";
}

// The entries of content in the other encoding than text's: each converted when that is sure
// (a mixedEncoding finding over its span, its new bytes beside it), else a note of why not.
void PlanEntryConversions(std::string_view content, vorna::Encoding text, FixPlan& plan,
                          std::vector<vorna::Finding>& conversions,
                          std::vector<std::string>& converted) {
    const vorna::Encoding other =
        text == vorna::Encoding::utf8 ? vorna::Encoding::cp936 : vorna::Encoding::utf8;
    const EntryLayout layout = LayOut(content);
    for (std::size_t i = 0; i < layout.entries.size(); ++i) {
        const vorna::EntrySpan& span = layout.entries[i];
        const std::string_view bytes =
            content.substr(span.questionMarker, span.next - span.questionMarker);
        if (!vorna::InOtherEncoding(bytes, text))
            continue;
        const vorna::Finding at{FindingCode::mixedEncoding, span.questionMarker,
                                span.questionMarker, bytes.size(), i + 1};
        std::string why;
        vorna::Converted<std::string> result;
        if (bytes.find('\0') != std::string_view::npos)
            why = "it holds NUL bytes: the next 'vendu fix', once they are gone, converts it";
        else if (other == vorna::Encoding::utf8 && ValidCp936(bytes))
            why = "it reads as GBK as well as UTF-8: correct it by hand ('vendu edit')";
        else if (!(result = vorna::Convert(bytes, other, text)).ok)
            why = "it " + Unconvertible(bytes, other, text, result.error);
        if (!why.empty()) {
            plan.notes.push_back({FixKind::leftEntry, at, 0, why});
            continue;
        }
        conversions.push_back(at);
        converted.push_back(std::move(result.text));
        plan.notes.push_back({FixKind::convertedEntry, at});
    }
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
    return PlanFix(content, vorna::DetectFileEncoding(content));
}

FixPlan PlanFix(std::string_view content, const vorna::FileEncoding& encoding) {
    FixPlan plan;
    const vorna::FileDiagnosis diagnosis = vorna::DiagnoseEntryFile(content, encoding);
    // The entries in the other encoding that convert surely, each with its new bytes.
    std::vector<vorna::Finding> conversions;
    std::vector<std::string> converted;
    if (diagnosis.otherEncodingEntries > 0)
        PlanEntryConversions(content, vorna::TextEncoding(encoding.encoding), plan, conversions,
                             converted);
    // What goes where in one pass: text inserted before an offset, NUL runs skipped, entries
    // replaced by their conversion.
    std::vector<std::pair<std::size_t, const vorna::Finding*>> edits;
    for (const vorna::Finding& f : diagnosis.findings) {
        if (f.code == FindingCode::mixedEncoding)
            continue;
        if (f.code == FindingCode::lostEntry &&
            !IsBlank(content.substr(f.textBegin, f.textLength))) {
            edits.emplace_back(f.textBegin + f.textLength, &f);
        } else if (f.code == FindingCode::nulBytes) {
            edits.emplace_back(f.textBegin, &f);
        } else if (Left(f.code) || f.code == FindingCode::lostEntry) {
            plan.notes.push_back({FixKind::left, f});
        }
    }
    // After the answer marker that a lost question just before it gets.
    for (std::size_t k = 0; k < conversions.size(); ++k)
        edits.emplace_back(conversions[k].offset, &conversions[k]);
    std::stable_sort(edits.begin(), edits.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    std::string& out = plan.updated;
    out.reserve(content.size() + content.size() / 16);
    FixNote lineBreaks{FixKind::lineBreaks, vorna::Finding{}};
    std::size_t from = 0;
    // Appends bytes (at offset in content), putting CR before every LF without one.
    const auto put = [&](std::string_view bytes, std::size_t offset) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\n' && (out.empty() || out.back() != '\r')) {
                if (lineBreaks.count++ == 0)
                    lineBreaks.finding.offset = offset + std::min(i, content.size() - offset);
                out += '\r';
            }
            out += bytes[i];
        }
    };
    // Copies content up to end.
    const auto copy = [&](std::size_t end) {
        if (from < end)
            put(content.substr(from, end - from), from);
        from = std::max(from, end);
    };
    for (const auto& [at, finding] : edits) {
        copy(at);
        if (finding->code == FindingCode::mixedEncoding) {
            put(converted[static_cast<std::size_t>(finding - conversions.data())], at);
            from = at + finding->textLength;
            continue;
        }
        if (finding->code == FindingCode::lostEntry) {
            const std::string_view text = content.substr(finding->textBegin, finding->textLength);
            // In the form of a record with an empty answer, which check takes as mended.
            const bool broken = !TrailingBreak(text).empty();
            out += std::string(broken ? "" : "\r\n") + std::string(vorna::kAnswerMarker) +
                   (broken ? "\r\n" : "");
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
                            note.kind == FixKind::lineBreaks ||
                            note.kind == FixKind::convertedEntry;
        ++(mended ? plan.mends : plan.left);
    }
    return plan;
}

namespace {

// Each place where text (in from, from begin on) does not convert to to: the conversion stops
// at the first, so it goes on after each, line by line.
std::vector<vorna::ConversionError> Refusals(std::string_view text, std::size_t begin,
                                             vorna::Encoding from, vorna::Encoding to) {
    std::vector<vorna::ConversionError> refused;
    for (std::size_t line = begin; line < text.size();) {
        const std::size_t lf = text.find('\n', line);
        const std::size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
        for (std::size_t at = line; at < end;) {
            const vorna::Converted<std::string> converted =
                vorna::Convert(text.substr(at, end - at), from, to);
            if (converted.ok)
                break;
            vorna::ConversionError error = converted.error;
            error.offset += at;
            error.length = std::max<std::size_t>(error.length, 1);
            refused.push_back(error);
            at = error.offset + error.length;
        }
        line = end;
    }
    return refused;
}

} // namespace

ConvertPlan PlanConvert(std::string_view content, vorna::Encoding to) {
    ConvertPlan plan;
    plan.from = vorna::DetectFileEncoding(content);
    const bool utf16 = vorna::TextEncoding(plan.from.encoding) != plan.from.encoding;
    if (utf16) {
        vorna::Converted<std::string> text = FileToText(content, plan.from);
        plan.text = std::move(text.text);
        if (!text.ok) {
            plan.refused.push_back({text.error.offset, 1, 0});
            return plan;
        }
    } else {
        plan.text = content;
    }
    const std::string_view text = plan.text;
    if (to == vorna::Encoding::utf8) {
        if (plan.from.encoding == vorna::Encoding::utf8) {
            plan.same = true;
            return plan;
        }
        std::string utf8(text);
        if (!utf16) {
            vorna::Converted<std::string> converted =
                vorna::Convert(text, vorna::Encoding::cp936, vorna::Encoding::utf8);
            if (!converted.ok) {
                plan.refused = Refusals(text, 0, vorna::Encoding::cp936, vorna::Encoding::utf8);
                return plan;
            }
            utf8 = std::move(converted.text);
        }
        plan.byteOrderMark = vorna::DetectFileEncoding(utf8).encoding != vorna::Encoding::utf8;
        plan.updated =
            std::string(plan.byteOrderMark ? vorna::ByteOrderMark(vorna::Encoding::utf8) : "") +
            utf8;
        return plan;
    }
    // To code page 936: bytes that are valid UTF-8 are taken as UTF-8, whatever else they may be.
    std::size_t begin = 0;
    if (!utf16) {
        if (text.substr(0, 3) == vorna::ByteOrderMark(vorna::Encoding::utf8)) {
            plan.byteOrderMark = true;
            begin = 3;
        }
        for (std::size_t i = begin; i < text.size();) {
            const std::size_t length = vorna::Utf8CharLength(text, i);
            if (length == 0) {
                plan.refused.push_back({i, 1, 0});
                return plan;
            }
            i += length;
        }
        plan.from = {vorna::Encoding::utf8, begin};
    }
    vorna::Converted<std::string> whole =
        vorna::Convert(text.substr(begin), vorna::Encoding::utf8, vorna::Encoding::cp936);
    if (whole.ok)
        plan.updated = std::move(whole.text);
    else
        plan.refused = Refusals(text, begin, vorna::Encoding::utf8, vorna::Encoding::cp936);
    return plan;
}

std::size_t EntryAt(std::string_view text, std::size_t offset) {
    const EntryLayout layout = LayOut(text);
    for (std::size_t i = 0; i < layout.entries.size(); ++i) {
        if (offset >= layout.entries[i].questionMarker && offset < layout.entries[i].next)
            return i + 1;
    }
    return 0;
}

EntryFailure ConvertEntries(const EntryLayout& layout, vorna::Encoding from, vorna::Encoding to,
                            std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < layout.entries.size(); ++i) {
        const std::string_view texts[2] = {
            WrittenText(layout.Question(i), true),
            WrittenText(layout.Answer(i), layout.FollowedByRecord(i))};
        vorna::Converted<std::string> converted[2];
        for (int k = 0; k < 2; ++k) {
            converted[k] = vorna::Convert(texts[k], from, to);
            if (!converted[k].ok)
                return {i + 1, std::string("the ") + (k == 0 ? "question " : "answer ") +
                                   Unconvertible(texts[k], from, to, converted[k].error)};
        }
        out += vorna::MakeRecord(converted[0].text, converted[1].text);
    }
    return {};
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
