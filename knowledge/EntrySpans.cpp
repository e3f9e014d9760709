#include "knowledge/EntrySpans.h"

#include "text/ByteFinder.h"

#include <algorithm>
#include <new>

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
        // The two ends agree; the three bytes between tell a question marker, an answer
        // marker or neither.
        if (s[p + 1] != '%' || s[p + 3] != '%')
            return false;
        if (s[p + 2] == 'Q') {
            if (!spans.empty())
                spans.back().next = p;
            EntrySpan span;
            span.questionMarker = p;
            spans.push_back(span);
        } else if (s[p + 2] == 'A' && !spans.empty() && !spans.back().Kept()) {
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
    std::size_t k = 0; // the span the latest candidate lies in
    CharacterStartsByText starts(content, lead);
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
        return starts.IsStart(begin, p);
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

// The entry that holds a place is found from the place: one pass over the markers from the
// last question marker wholly before it (looked for backwards when the place lies far beyond
// a question marker already known) to the next one after it. Each byte is looked at by the
// keyword search and at most once more by each marker search, since the next place looked at
// lies beyond the entry settled.
std::size_t CountMatchingEntries(std::string_view window, std::string_view keyword,
                                 const LeadBytes& lead) {
    const char* s = window.data();
    const std::size_t n = window.size();
    if (keyword.empty()) {
        std::vector<EntrySpan> spans;
        ScanEntrySpans(window, spans);
        return static_cast<std::size_t>(std::count_if(
            spans.begin(), spans.end(), [](const EntrySpan& span) { return span.Kept(); }));
    }
    // Farther than this from a known question marker, the entry's own is looked for
    // backwards rather than by passing over the entries between.
    constexpr std::size_t kFar = 256;
    const detail::ByteFinder finder(keyword);
    const detail::ByteFinder question(kQuestionMarker);
    const std::size_t length = keyword.size();
    // The entry located last: its question marker, its answer marker (kNoPosition when it
    // is lost) and the next question marker or the window's end. floor: a question marker
    // (or the window's start) below every place still to come.
    std::size_t entry = kNoPosition, answerAt = kNoPosition, next = 0, floor = 0;
    CharacterStartsByText starts(window, lead);
    const auto locate = [&](std::size_t p) {
        std::size_t from = floor;
        if (p - floor > kFar) {
            const std::size_t last = question.FindLast(s, floor, p);
            if (last != detail::kNotFound)
                from = last;
        }
        entry = answerAt = kNoPosition;
        next = n;
        question.FindEnds(s, n, from, [&](std::size_t m) {
            if (s[m + 1] != '%' || s[m + 3] != '%')
                return false;
            if (s[m + 2] == 'Q') {
                if (m + kMarkerLength > p) {
                    next = m;
                    return true;
                }
                entry = m;
                answerAt = kNoPosition;
            } else if (s[m + 2] == 'A' && entry != kNoPosition && answerAt == kNoPosition) {
                answerAt = m;
            }
            return false;
        });
    };
    const auto accept = [&](std::size_t p) {
        if (p >= next) {
            floor = next;
            locate(p);
        }
        if (entry == kNoPosition || answerAt == kNoPosition)
            return false; // before the first question marker, or in a lost entry
        std::size_t begin;
        if (p >= entry + kMarkerLength && p + length <= answerAt)
            begin = entry + kMarkerLength;
        else if (p >= answerAt + kMarkerLength && p + length <= next)
            begin = answerAt + kMarkerLength;
        else
            return false; // on a marker, or across one
        return starts.IsStart(begin, p);
    };
    std::size_t count = 0, from = 0;
    while (from < n && finder.Find(s, n, from, accept) != detail::kNotFound) {
        ++count;
        from = next; // the entry is settled
    }
    return count;
}

namespace {

// Hands the entries of each window on; the last of a window waits, copied, until it is known
// whether another follows.
class EntryRelay {
public:
    explicit EntryRelay(const EntryVisit& visit) : m_visit(visit) {}

    void Add(const Window& w) {
        ScanEntrySpans(w.bytes, m_spans);
        const EntrySpan* last = nullptr;
        for (const EntrySpan& span : m_spans) {
            if (!span.Kept())
                continue;
            if (last)
                m_visit(Question(w, *last), Answer(w, *last), true);
            else
                Flush(true);
            last = &span;
        }
        if (last) {
            m_question.assign(Question(w, *last));
            m_answer.assign(Answer(w, *last));
            m_waiting = true;
        }
    }
    void Flush(bool followed) {
        if (m_waiting)
            m_visit(m_question, m_answer, followed);
        m_waiting = false;
    }

private:
    static std::string_view Question(const Window& w, const EntrySpan& span) {
        return w.bytes.substr(span.QuestionBegin(), span.answerMarker - span.QuestionBegin());
    }
    static std::string_view Answer(const Window& w, const EntrySpan& span) {
        return w.bytes.substr(span.AnswerBegin(), span.next - span.AnswerBegin());
    }

    const EntryVisit& m_visit;
    std::vector<EntrySpan> m_spans;
    std::string m_question, m_answer;
    bool m_waiting = false;
};

// Views of 4 MiB: few calls, and the bytes looked at while they are still in the cache.
constexpr std::size_t kViewSize = 4 << 20;

} // namespace

FileResult ForEachEntry(const std::string& path, const Opening& how, const EntryVisit& visit) {
    std::uint64_t length = 0;
    {
        CFile file;
        FileResult opened = OpenFile(file, path, how);
        if (!opened.Ok())
            return opened;
        if (file.GetLength(&length) && !MayFitInMemory(length)) {
            opened.status = FileStatus::tooBig;
            opened.offset = length;
            return opened;
        }
    }
    EntryRelay relay(visit);
    WindowReading reading;
    reading.viewSize = kViewSize;
    FileResult result;
    try {
        result = ForEachWindow(path, Opening{how.flags, how.waitSeconds}, kQuestionMarker, reading,
                               [&relay](const Window& w) { relay.Add(w); });
    } catch (const std::bad_alloc&) {
        result.status = FileStatus::tooBig;
        result.offset = length;
        return result;
    }
    if (result.Ok())
        relay.Flush(false);
    return result;
}

FileResult ForEachEntry(const WindowPass& pass, const EntryVisit& visit) {
    EntryRelay relay(visit);
    FileResult result;
    try {
        result = pass([&relay](const Window& w) { relay.Add(w); });
    } catch (const std::bad_alloc&) {
        result.status = FileStatus::tooBig;
        return result;
    }
    if (result.Ok())
        relay.Flush(false);
    return result;
}

FileResult ForEachEntry(const ReadPiece& read, const EntryVisit& visit) {
    return ForEachEntry(
        [&read](const std::function<void(const Window&)>& window) {
            return ForEachWindow(read, kQuestionMarker, WindowReading(), window);
        },
        visit);
}

} // namespace vorna
