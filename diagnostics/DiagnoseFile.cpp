// The diagnosis of a file window by window. The findings of a window are those the diagnosis
// of the whole file has there (the pieces see the same stretches alike), except what needs
// the whole file: its encoding and the entries in the other one, the text before the first question
// marker as one, and which entries repeat others. A first pass learns those; the second tells
// everything in order.
#include "diagnostics/Diagnostics.h"

#include "diagnostics/DiagnosticsParts.h"
#include "io/File.h"
#include "text/ByteFinder.h"

#include <algorithm>
#include <map>
#include <string>
#include <unordered_map>

namespace vorna {

namespace {

constexpr std::size_t kExcerpt = 48;

// What the first pass learns.
struct Survey {
    std::size_t entries = 0;
    std::uint64_t size = 0; // of the file
    bool hasQuestionMarker = false;
    FileEncodingDetector detector;
    FileEncoding encoding;
    // The entries that are UTF-8, and those that are code page 936, by their own bytes: the
    // first of each (entry number and its span in the file) and how many.
    struct Others {
        std::size_t count = 0, entry = 0, offset = 0, length = 0;
    } utf8Entries, cp936Entries;
    const Others* others = nullptr; // those of the other encoding than the file's
    // The text before the first question marker: its first non-blank byte outside an answer
    // marker, the last non-blank byte, and its first bytes.
    std::size_t firstText = kNoPosition, lastText = kNoPosition;
    std::string excerpt;
    std::vector<std::size_t> hashes; // of every kept entry; then those of more than one
    std::vector<EntrySpan> spans;

    void Add(const Window& w) {
        const std::string_view s = w.bytes;
        detector.Feed(s);
        if (w.preamble) {
            // A UTF-8 file's mark is no text.
            const std::size_t mark =
                w.offset == 0 && s.substr(0, 3) == ByteOrderMark(Encoding::utf8) ? 3 : 0;
            for (std::size_t i = mark; i < s.size(); ++i) {
                const bool marker = s.compare(i, kMarkerLength, kAnswerMarker) == 0;
                if (firstText == kNoPosition && !marker && !detail::IsBlank(s[i]))
                    firstText = w.offset + i;
                if (firstText != kNoPosition && excerpt.size() < kExcerpt)
                    excerpt += s[i];
                if (!detail::IsBlank(s[i]))
                    lastText = w.offset + i;
                if (marker && firstText == kNoPosition)
                    i += kMarkerLength - 1;
            }
            return;
        }
        hasQuestionMarker = true;
        ScanEntrySpans(s, spans);
        for (const EntrySpan& span : spans) {
            if (!span.Kept())
                continue;
            ++entries;
            const std::string_view bytes =
                s.substr(span.questionMarker, span.next - span.questionMarker);
            const EntryBytes kind = ClassifyEntryBytes(bytes);
            Others* seen = kind == EntryBytes::utf8    ? &utf8Entries
                           : kind == EntryBytes::cp936 ? &cp936Entries
                                                       : nullptr;
            if (seen && seen->count++ == 0)
                *seen = {1, entries, w.offset + span.questionMarker, bytes.size()};
            hashes.push_back(detail::EntryHash(
                s.substr(span.QuestionBegin(), span.answerMarker - span.QuestionBegin()),
                detail::AnswerKey(s.substr(span.AnswerBegin(), span.next - span.AnswerBegin()))));
        }
    }

    // Keeps the hashes that more than one entry has, once each, sorted; cuts the excerpt to
    // the text.
    void Finish() {
        encoding = detector.Result();
        others = TextEncoding(encoding.encoding) == Encoding::utf8 ? &cp936Entries : &utf8Entries;
        std::sort(hashes.begin(), hashes.end());
        std::size_t kept = 0;
        for (std::size_t i = 0; i < hashes.size();) {
            std::size_t end = i + 1;
            while (end < hashes.size() && hashes[end] == hashes[i])
                ++end;
            if (end - i > 1)
                hashes[kept++] = hashes[i];
            i = end;
        }
        hashes.resize(kept);
        hashes.shrink_to_fit();
        if (firstText != kNoPosition)
            excerpt.resize(std::min(excerpt.size(), lastText + 1 - firstText));
    }
};

// An entry that shares its hash with another, once the second pass has passed it.
struct Seen {
    std::size_t entry;
    std::size_t offset; // of its question marker
    std::size_t length; // to the next question marker or the end
};

// The texts of an entry, as compared for duplicates.
struct Key {
    std::string_view question;
    std::string_view answer;
    bool operator==(const Key& o) const { return question == o.question && answer == o.answer; }
};

Key KeyOf(std::string_view s, const EntrySpan& span) {
    return {s.substr(span.QuestionBegin(), span.answerMarker - span.QuestionBegin()),
            detail::AnswerKey(s.substr(span.AnswerBegin(), span.next - span.AnswerBegin()))};
}

// The second pass.
class Teller {
public:
    Teller(const Survey& survey, CFile& file, const FindingSink& report)
        : m_survey(survey), m_file(file), m_report(report) {}

    void Add(const Window& w) {
        const std::string_view s = w.bytes;
        const std::size_t base = static_cast<std::size_t>(w.offset);
        m_out.clear();
        m_newSeen.clear();
        if (w.preamble) {
            const detail::ByteFinder answer(kAnswerMarker);
            for (std::size_t m = answer.Find(s.data(), s.size(), 0); m != detail::kNotFound;
                 m = answer.Find(s.data(), s.size(), m + kMarkerLength))
                m_out.push_back({FindingCode::preambleAnswerMarker, m, m, kMarkerLength});
            if (m_survey.firstText >= base && m_survey.firstText < base + s.size()) {
                const std::size_t at = m_survey.firstText - base;
                m_out.push_back({FindingCode::preambleText, at, at,
                                 m_survey.lastText + 1 - m_survey.firstText});
            }
        } else {
            ScanEntrySpans(s, m_spans);
            const std::size_t before = m_entry;
            for (const EntrySpan& span : m_spans) {
                if (span.Kept())
                    detail::EntryFindings(s, span, ++m_entry, m_out);
                else
                    m_out.push_back({FindingCode::lostEntry, span.questionMarker,
                                     span.QuestionBegin(), span.next - span.QuestionBegin()});
            }
            FindRepeats(s, base, before);
        }
        const Survey::Others& others = *m_survey.others;
        if (others.count > 0 && others.offset >= base && others.offset < base + s.size()) {
            const std::size_t at = others.offset - base;
            m_out.push_back({FindingCode::mixedEncoding, at, at, others.length, others.entry});
        }
        if (w.preamble)
            m_spans.clear();
        detail::ScanWindowCharacters(s, m_spans, TextEncoding(m_survey.encoding.encoding),
                                     others.count > 0, m_out);
        std::stable_sort(m_out.begin(), m_out.end(),
                         [](const Finding& a, const Finding& b) { return a.offset < b.offset; });
        Tell(w, base);
    }

private:
    // Each kept entry whose hash another shares is held against the earlier ones with that
    // hash, read again from the file, and the first with the same texts is the one repeated.
    void FindRepeats(std::string_view s, std::size_t base, std::size_t entry) {
        for (const EntrySpan& span : m_spans) {
            if (!span.Kept())
                continue;
            ++entry;
            const Key key = KeyOf(s, span);
            const std::size_t hash = detail::EntryHash(key.question, key.answer);
            if (!std::binary_search(m_survey.hashes.begin(), m_survey.hashes.end(), hash))
                continue;
            std::vector<Seen>& group = m_seen[hash];
            for (const Seen& earlier : group) {
                m_record.resize(earlier.length);
                if (m_file.ReadAt(earlier.offset, m_record.data(), m_record.size()) !=
                    m_record.size())
                    continue;
                ScanEntrySpans(m_record, m_recordSpans);
                if (m_recordSpans.size() != 1 || !m_recordSpans[0].Kept() ||
                    !(KeyOf(m_record, m_recordSpans[0]) == key))
                    continue;
                Finding f{FindingCode::duplicateEntry, span.questionMarker, span.questionMarker,
                          span.next - span.questionMarker, entry};
                f.earlierEntry = earlier.entry;
                f.earlierOffset = earlier.offset;
                m_out.push_back(f);
                break;
            }
            group.push_back({entry, base + span.questionMarker, span.next - span.questionMarker});
            m_newSeen.push_back(span.questionMarker);
        }
    }

    void Tell(const Window& w, std::size_t base) {
        const std::string_view s = w.bytes;
        m_offsets.clear();
        for (const Finding& f : m_out)
            m_offsets.push_back(f.offset);
        m_offsets.insert(m_offsets.end(), m_newSeen.begin(), m_newSeen.end());
        std::vector<TextPosition> at = LocateOffsets(s, m_offsets);
        for (TextPosition& p : at) {
            if (p.line == 1)
                p.column += m_column;
            p.line += m_line;
        }
        for (std::size_t k = 0; k < m_newSeen.size(); ++k)
            m_lineOf[base + m_newSeen[k]] = at[m_out.size() + k].line;
        for (std::size_t k = 0; k < m_out.size(); ++k) {
            Finding f = m_out[k];
            const std::size_t begin = f.textBegin;
            f.offset += base;
            f.textBegin += base;
            const bool excerpted = f.code == FindingCode::preambleText;
            const std::string_view text =
                excerpted ? std::string_view(m_survey.excerpt) : s.substr(begin, f.textLength);
            const std::size_t earlierLine =
                f.code == FindingCode::duplicateEntry ? m_lineOf[f.earlierOffset] : 0;
            m_report(FindingReport{f, at[k], earlierLine, text,
                                   f.textBegin + f.textLength == m_survey.size});
        }
        const std::size_t lastFeed = s.rfind('\n');
        m_line += static_cast<std::size_t>(std::count(s.begin(), s.end(), '\n'));
        m_column =
            lastFeed == std::string_view::npos ? m_column + s.size() : s.size() - lastFeed - 1;
    }

    const Survey& m_survey;
    CFile& m_file;
    const FindingSink& m_report;
    std::size_t m_entry = 0;
    std::size_t m_line = 0, m_column = 0;            // lines and bytes of a line before the window
    std::map<std::size_t, std::vector<Seen>> m_seen; // by hash
    std::unordered_map<std::size_t, std::size_t> m_lineOf; // of those entries' markers
    std::vector<Finding> m_out;
    std::vector<std::size_t> m_newSeen, m_offsets;
    std::vector<EntrySpan> m_spans, m_recordSpans;
    std::string m_record;
};

} // namespace

FileResult DiagnoseEntryFile(const std::string& path, const Opening& opening,
                             FileDiagnosis& summary, const FindingSink& report,
                             std::size_t readSize) {
    summary = FileDiagnosis();
    FileWindows file;
    const FileResult opened = file.Open(path, opening);
    if (!opened.Ok())
        return opened;
    return DiagnoseEntryFile(file, summary, report, readSize);
}

FileResult DiagnoseEntryFile(FileWindows& file, FileDiagnosis& summary, const FindingSink& report,
                             std::size_t readSize) {
    summary = FileDiagnosis();
    WindowReading reading;
    reading.readSize = readSize;
    reading.preamble = true;
    Survey survey;
    FileResult result =
        file.Pass(kQuestionMarker, reading, [&survey](const Window& w) { survey.Add(w); });
    if (!result.Ok())
        return result;
    survey.Finish();
    survey.size = result.offset;
    summary.entryCount = survey.entries;
    summary.hasQuestionMarker = survey.hasQuestionMarker;
    summary.encoding = survey.encoding;
    summary.otherEncodingEntries = survey.others->count;
    // The entries repeated are read again at their offsets between the windows.
    Teller teller(survey, file.File(), report);
    return file.Pass(kQuestionMarker, reading, [&teller](const Window& w) { teller.Add(w); });
}

void ReportFindings(std::string_view content, const FileDiagnosis& diagnosis,
                    const FindingSink& report) {
    std::vector<std::size_t> offsets;
    for (const Finding& f : diagnosis.findings) {
        offsets.push_back(f.offset);
        offsets.push_back(f.earlierOffset == kNoPosition ? 0 : f.earlierOffset);
    }
    const std::vector<TextPosition> at = LocateOffsets(content, offsets);
    for (std::size_t k = 0; k < diagnosis.findings.size(); ++k) {
        const Finding& f = diagnosis.findings[k];
        const std::string_view text = content.substr(f.textBegin, f.textLength);
        report(FindingReport{f, at[2 * k],
                             f.code == FindingCode::duplicateEntry ? at[2 * k + 1].line : 0,
                             f.code == FindingCode::preambleText ? text.substr(0, kExcerpt) : text,
                             f.textBegin + f.textLength == content.size()});
    }
}

} // namespace vorna
