#include "knowledge/EntrySpans.h"

#include "text/ByteFinder.h"

namespace vorna {

// The reader appends its sentinel before scanning. Its first byte is '(', which no marker
// has in the middle or at the end, so no marker can span the end of the file: looking only
// inside the file and taking its end as one more question marker finds exactly the markers
// the reader finds.
std::vector<EntrySpan> ScanEntrySpans(std::string_view content) {
    std::vector<EntrySpan> spans;
    ScanEntrySpans(content, spans);
    return spans;
}

// The two markers share their first and last bytes and no marker can overlap another (none
// ends with a '(' or begins with a ')'), so one pass over every place where either occurs
// sees, in order, the places the reader's two searches find: a question marker opens an
// entry and closes the one before; the first answer marker after it, if any, is its answer
// marker. A later answer marker belongs to the answer; one before any question marker to the
// preamble.
void ScanEntrySpans(std::string_view content, std::vector<EntrySpan>& spans) {
    static_assert(kQuestionMarker.size() == kMarkerLength && kAnswerMarker.size() == kMarkerLength);
    static_assert(kQuestionMarker.front() == kAnswerMarker.front() &&
                  kQuestionMarker.back() == kAnswerMarker.back());
    const detail::ByteFinder ends(kQuestionMarker);
    const char* s = content.data();
    const std::size_t n = content.size();
    spans.clear();
    const auto onMarker = [&](std::size_t p) {
        const std::string_view at(s + p, kMarkerLength);
        if (at == kQuestionMarker) {
            if (!spans.empty())
                spans.back().next = p;
            EntrySpan span;
            span.questionMarker = p;
            spans.push_back(span);
        } else if (at == kAnswerMarker && !spans.empty() && !spans.back().Kept()) {
            spans.back().answerMarker = p;
        }
        return false;
    };
    ends.FindEnds(s, n, 0, onMarker);
    if (!spans.empty())
        spans.back().next = n;
}

void FindMatchingSpans(std::string_view content, const std::vector<EntrySpan>& spans,
                       std::string_view keyword, const LeadBytes& lead,
                       std::vector<std::size_t>& out) {
    out.clear();
    if (keyword.empty()) {
        // Found at the start of every text, as FindKeyword finds it.
        for (std::size_t k = 0; k < spans.size(); ++k) {
            if (spans[k].Kept())
                out.push_back(k);
        }
        return;
    }
    const detail::ByteFinder finder(keyword);
    const std::size_t length = keyword.size();
    const bool anyLead = lead.Any();
    std::size_t k = 0; // the span the latest candidate lies in
    std::size_t textBegin = kNoPosition;
    CharacterStarts starts(content, lead);
    const auto accept = [&](std::size_t p) {
        while (k < spans.size() && spans[k].next <= p)
            ++k;
        if (k == spans.size() || !spans[k].Kept())
            return false;
        const EntrySpan& span = spans[k];
        std::size_t begin;
        if (p >= span.QuestionBegin() && p + length <= span.answerMarker)
            begin = span.QuestionBegin();
        else if (p >= span.AnswerBegin() && p + length <= span.next)
            begin = span.AnswerBegin();
        else
            return false; // on a marker, or across one
        if (!anyLead)
            return true;
        if (begin != textBegin) {
            textBegin = begin;
            starts = CharacterStarts(content.substr(begin), lead);
        }
        return starts.IsStart(p - begin);
    };
    std::size_t from = 0;
    while (k < spans.size()) {
        if (finder.Find(content.data(), content.size(), from, accept) == detail::kNotFound)
            break;
        out.push_back(k);
        from = spans[k].next; // the entry is settled; its other texts need no look
        ++k;
    }
}

} // namespace vorna
