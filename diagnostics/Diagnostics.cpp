#include "diagnostics/Diagnostics.h"

#include "diagnostics/DiagnosticsParts.h"

#include "text/ByteFinder.h"
#include "text/CodePage.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

namespace vorna {

const char* FindingName(FindingCode code) {
    switch (code) {
    case FindingCode::lostEntry:
        return "lost-entry";
    case FindingCode::preambleText:
        return "preamble-text";
    case FindingCode::preambleAnswerMarker:
        return "preamble-answer-marker";
    case FindingCode::answerMarkerInAnswer:
        return "answer-marker-in-answer";
    case FindingCode::lookAlikeMarker:
        return "look-alike-marker";
    case FindingCode::nulBytes:
        return "nul-bytes";
    case FindingCode::emptyQuestion:
        return "empty-question";
    case FindingCode::blankQuestion:
        return "blank-question";
    case FindingCode::emptyAnswer:
        return "empty-answer";
    case FindingCode::blankAnswer:
        return "blank-answer";
    case FindingCode::invalidCp936:
        return "invalid-cp936";
    case FindingCode::duplicateEntry:
        return "duplicate-entry";
    case FindingCode::invalidUtf8:
        return "invalid-utf8";
    case FindingCode::mixedEncoding:
        return "mixed-encoding";
    }
    return "";
}

bool IsDataLoss(FindingCode code) {
    return code == FindingCode::lostEntry;
}

namespace detail {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsBlankText(std::string_view text) {
    return std::all_of(text.begin(), text.end(), IsBlank);
}

namespace {

// The byte at i of s, or 0 past its end.
unsigned char ByteAt(std::string_view s, std::size_t i) {
    return i < s.size() ? static_cast<unsigned char>(s[i]) : 0;
}

// The ASCII sign a character stands for, letters folded to lower case: an ASCII byte, or a
// full-width form of the ASCII signs 21..7E (code page 936: the row A3 A1..A3 FE; UTF-8:
// U+FF01..U+FF5E). 0 for any other character. length receives the character's size in bytes.
char FoldedSign(std::string_view s, std::size_t i, Encoding encoding, std::size_t& length) {
    const auto b = static_cast<unsigned char>(s[i]);
    unsigned ascii = 0;
    length = 1;
    const unsigned char b1 = ByteAt(s, i + 1), b2 = ByteAt(s, i + 2);
    if (b < 0x80) {
        ascii = b;
    } else if (encoding == Encoding::cp936 && b == 0xA3 && b1 >= 0xA1 && b1 <= 0xFE) {
        ascii = b1 - 0x80u;
        length = 2;
    } else if (encoding == Encoding::utf8 && b == 0xEF && b1 == 0xBC && b2 >= 0x81 && b2 <= 0xBF) {
        ascii = b2 - 0x60u;
        length = 3;
    } else if (encoding == Encoding::utf8 && b == 0xEF && b1 == 0xBD && b2 >= 0x80 && b2 <= 0x9E) {
        ascii = b2 - 0x20u;
        length = 3;
    } else {
        return 0;
    }
    if (ascii >= 'A' && ascii <= 'Z')
        ascii += 'a' - 'A';
    return static_cast<char>(ascii);
}

// Bytes taken by a marker look-alike that starts at i, or 0. A real marker never gets here.
// Candidates: a marker with a wrong-case letter or full-width signs ("(%q%)", "（%Q%）"),
// and a marker with one of its five signs missing ("(%Q%", "%A%)", "(%%)"). No candidate
// has '(' after its first sign, so none can overlap a real marker that follows it.
std::size_t LookAlikeLength(std::string_view s, std::size_t i, Encoding encoding) {
    static constexpr std::string_view kFull[] = {"(%q%)", "(%a%)"};
    static constexpr std::string_view kShort[] = {"%q%)", "(q%)", "(%q)", "(%q%", "%a%)",
                                                  "(a%)", "(%a)", "(%a%", "(%%)"};
    char signs[5];
    std::size_t ends[5];
    std::size_t count = 0;
    std::size_t at = i;
    while (count < 5 && at < s.size()) {
        std::size_t length;
        const char sign = FoldedSign(s, at, encoding, length);
        if (sign == 0)
            break;
        signs[count] = sign;
        at += length;
        ends[count++] = at;
    }
    const std::string_view seen(signs, count);
    for (std::string_view pattern : kFull) {
        if (seen == pattern)
            return ends[4] - i;
    }
    for (std::string_view pattern : kShort) {
        if (seen.substr(0, 4) == pattern)
            return ends[3] - i;
    }
    return 0;
}

bool StartsWithMarker(std::string_view s, std::size_t i) {
    const std::string_view rest = s.substr(i, kMarkerLength);
    return rest == kQuestionMarker || rest == kAnswerMarker;
}

} // namespace

// One pass over the characters: look-alikes, NUL runs and invalid byte runs.
void ScanCharacters(std::string_view whole, std::size_t begin, std::size_t stop, Encoding encoding,
                    std::vector<Finding>& out) {
    const std::string_view s = whole.substr(0, stop);
    const auto* u = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    const bool utf8 = encoding == Encoding::utf8;
    const unsigned char fullWidthLead = utf8 ? 0xEF : 0xA3;
    const FindingCode invalid = utf8 ? FindingCode::invalidUtf8 : FindingCode::invalidCp936;
    std::size_t i = begin;
    while (i < n) {
        // Most characters can start nothing: plain ASCII, and characters of more bytes outside
        // the full-width forms. They are passed over here, the rest is looked at closely below.
        const unsigned char b = u[i];
        if (b < 0x80) {
            if (b != '(' && b != '%' && b != '\0') {
                ++i;
                continue;
            }
        } else if (b != fullWidthLead) {
            if (!utf8 && b > 0x80 && b < 0xFF && i + 1 < n &&
                ((u[i + 1] >= 0x40 && u[i + 1] <= 0x7E) ||
                 (u[i + 1] >= 0x80 && u[i + 1] <= 0xFE))) {
                i += 2;
                continue;
            }
            if (utf8) {
                if (const std::size_t length = Utf8CharLength(s, i)) {
                    i += length;
                    continue;
                }
            }
        }
        const char c = s[i];
        if (c == '(' && StartsWithMarker(s, i)) {
            i += kMarkerLength;
            continue;
        }
        if (c == '(' || c == '%' || b == fullWidthLead) {
            if (std::size_t length = LookAlikeLength(s, i, encoding)) {
                out.push_back({FindingCode::lookAlikeMarker, i, i, length});
                i += length;
                continue;
            }
        }
        if (c == '\0') {
            std::size_t end = i;
            while (end < s.size() && s[end] == '\0')
                ++end;
            out.push_back({FindingCode::nulBytes, i, i, end - i});
            i = end;
            continue;
        }
        if (std::size_t length = CharLength(encoding, s, i)) {
            i += length;
            continue;
        }
        std::size_t end = i + 1;
        while (end < s.size() && CharLength(encoding, s, end) == 0)
            ++end;
        out.push_back({invalid, i, i, end - i});
        i = end;
    }
}

void ScanWindowCharacters(std::string_view s, const std::vector<EntrySpan>& spans,
                          Encoding encoding, bool mixed, std::vector<Finding>& out) {
    if (!mixed || spans.empty()) {
        ScanCharacters(s, 0, s.size(), encoding, out);
        return;
    }
    const Encoding other = encoding == Encoding::utf8 ? Encoding::cp936 : Encoding::utf8;
    ScanCharacters(s, 0, spans.front().questionMarker, encoding, out);
    for (const EntrySpan& span : spans) {
        const bool inOther =
            span.Kept() &&
            InOtherEncoding(s.substr(span.questionMarker, span.next - span.questionMarker),
                            encoding);
        ScanCharacters(s, span.questionMarker, span.next, inOther ? other : encoding, out);
    }
}

std::string_view AnswerKey(std::string_view answer) {
    if (answer.size() >= 2 && answer.substr(answer.size() - 2) == "\r\n")
        answer.remove_suffix(2);
    return answer;
}

std::size_t EntryHash(std::string_view question, std::string_view answerKey) {
    const std::hash<std::string_view> hash;
    return hash(question) * 31 + hash(answerKey);
}

void EntryFindings(std::string_view s, const EntrySpan& span, std::size_t entry,
                   std::vector<Finding>& out) {
    static const detail::ByteFinder answerFinder(kAnswerMarker);
    const std::string_view question =
        s.substr(span.QuestionBegin(), span.answerMarker - span.QuestionBegin());
    const std::string_view answer = s.substr(span.AnswerBegin(), span.next - span.AnswerBegin());
    if (question.empty() || IsBlankText(question)) {
        out.push_back({question.empty() ? FindingCode::emptyQuestion : FindingCode::blankQuestion,
                       span.questionMarker, span.QuestionBegin(), question.size(), entry});
    }
    for (std::size_t m = answerFinder.Find(s.data(), span.next, span.AnswerBegin());
         m != detail::kNotFound; m = answerFinder.Find(s.data(), span.next, m + kMarkerLength)) {
        out.push_back({FindingCode::answerMarkerInAnswer, m, m, kMarkerLength, entry});
    }
    // An empty answer in the form of a record (the question's line break before the answer
    // marker, at most one after it) is what fix gives a lost question: a mended entry.
    const bool mendedLost = !question.empty() && question.back() == '\n' &&
                            !IsBlankText(question) &&
                            (answer.empty() || answer == "\r\n" || answer == "\n");
    if ((answer.empty() || IsBlankText(answer)) && !mendedLost) {
        out.push_back({answer.empty() ? FindingCode::emptyAnswer : FindingCode::blankAnswer,
                       span.answerMarker, span.AnswerBegin(), answer.size(), entry});
    }
}

} // namespace detail

EntryBytes ClassifyEntryBytes(std::string_view bytes) {
    FileEncodingDetector detector;
    detector.Feed(bytes);
    const Utf8Survey survey = detector.Survey();
    if (survey.valid)
        return survey.firstWide != kNoUtf8Position ? EntryBytes::utf8 : EntryBytes::none;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = Cp936CharLength(bytes, i);
        if (length == 0)
            return EntryBytes::invalid;
        i += length;
    }
    return EntryBytes::cp936;
}

bool InOtherEncoding(std::string_view entry, Encoding textEncoding) {
    const EntryBytes bytes = ClassifyEntryBytes(entry);
    return textEncoding == Encoding::utf8 ? bytes == EntryBytes::cp936 : bytes == EntryBytes::utf8;
}

namespace {

using namespace detail;

// An entry as compared for duplicates.
struct EntryKey {
    std::string_view question;
    std::string_view answer;
    const EntrySpan* span;
    std::size_t entry; // 1-based
    std::size_t hash;
};

// Every entry that repeats an earlier one, named by its first occurrence. Sorting hashes
// keeps this fast on files of hundreds of thousands of entries.
void FindDuplicates(std::vector<EntryKey>& keys, std::vector<Finding>& out) {
    std::stable_sort(keys.begin(), keys.end(),
                     [](const EntryKey& a, const EntryKey& b) { return a.hash < b.hash; });
    for (std::size_t run = 0; run < keys.size();) {
        std::size_t end = run + 1;
        while (end < keys.size() && keys[end].hash == keys[run].hash)
            ++end;
        for (std::size_t j = run + 1; j < end; ++j) {
            for (std::size_t i = run; i < j; ++i) {
                if (keys[i].question == keys[j].question && keys[i].answer == keys[j].answer) {
                    const EntrySpan& span = *keys[j].span;
                    Finding f{FindingCode::duplicateEntry, span.questionMarker, span.questionMarker,
                              span.next - span.questionMarker, keys[j].entry};
                    f.earlierEntry = keys[i].entry;
                    f.earlierOffset = keys[i].span->questionMarker;
                    out.push_back(f);
                    break;
                }
            }
        }
        run = end;
    }
}

void ScanPreamble(std::string_view s, std::size_t begin, std::size_t end,
                  std::vector<Finding>& out) {
    const detail::ByteFinder answer(kAnswerMarker);
    std::size_t firstText = kNoPosition;
    std::size_t i = std::min(begin, end);
    while (i < end) {
        const std::size_t m = answer.Find(s.data(), end, i);
        const std::size_t stop = m == detail::kNotFound ? end : m;
        for (std::size_t k = i; k < stop && firstText == kNoPosition; ++k) {
            if (!IsBlank(s[k]))
                firstText = k;
        }
        if (m == detail::kNotFound)
            break;
        out.push_back({FindingCode::preambleAnswerMarker, m, m, kMarkerLength});
        i = m + kMarkerLength;
    }
    if (firstText != kNoPosition) {
        std::size_t last = end;
        while (last > firstText && IsBlank(s[last - 1]))
            --last;
        out.push_back({FindingCode::preambleText, firstText, firstText, last - firstText});
    }
}

} // namespace

FileDiagnosis DiagnoseEntryFile(std::string_view content) {
    return DiagnoseEntryFile(content, DetectFileEncoding(content));
}

FileDiagnosis DiagnoseEntryFile(std::string_view s, const FileEncoding& encoding) {
    FileDiagnosis result;
    result.encoding = encoding;
    const Encoding text = TextEncoding(encoding.encoding);
    const std::vector<EntrySpan> spans = ScanEntrySpans(s);
    result.hasQuestionMarker = !spans.empty();
    std::vector<Finding>& out = result.findings;

    // A UTF-8 file's mark is no text.
    const std::size_t mark = encoding.encoding == Encoding::utf8 ? encoding.markLength : 0;
    ScanPreamble(s, mark, spans.empty() ? s.size() : spans.front().questionMarker, out);

    std::vector<EntryKey> keys;
    keys.reserve(spans.size());
    Finding mixed{FindingCode::mixedEncoding};
    for (std::size_t k = 0; k < spans.size(); ++k) {
        const EntrySpan& span = spans[k];
        if (!span.Kept()) {
            out.push_back({FindingCode::lostEntry, span.questionMarker, span.QuestionBegin(),
                           span.next - span.QuestionBegin()});
            continue;
        }
        const std::size_t entry = keys.size() + 1;
        EntryFindings(s, span, entry, out);
        const std::string_view question =
            s.substr(span.QuestionBegin(), span.answerMarker - span.QuestionBegin());
        const std::string_view answerKey =
            AnswerKey(s.substr(span.AnswerBegin(), span.next - span.AnswerBegin()));
        keys.push_back({question, answerKey, &span, entry, EntryHash(question, answerKey)});
        if (InOtherEncoding(s.substr(span.questionMarker, span.next - span.questionMarker), text) &&
            result.otherEncodingEntries++ == 0)
            mixed = {FindingCode::mixedEncoding, span.questionMarker, span.questionMarker,
                     span.next - span.questionMarker, entry};
    }
    result.entryCount = keys.size();
    FindDuplicates(keys, out);
    if (result.otherEncodingEntries > 0)
        out.push_back(mixed);

    ScanWindowCharacters(s, spans, text, result.otherEncodingEntries > 0, out);

    std::stable_sort(out.begin(), out.end(),
                     [](const Finding& a, const Finding& b) { return a.offset < b.offset; });
    return result;
}

std::vector<TextPosition> LocateOffsets(std::string_view content,
                                        const std::vector<std::size_t>& offsets) {
    std::vector<std::size_t> order(offsets.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return offsets[a] < offsets[b]; });
    std::vector<TextPosition> positions(offsets.size());
    std::size_t line = 1, lineStart = 0, scanned = 0;
    for (std::size_t k : order) {
        const std::size_t target = std::min(offsets[k], content.size());
        while (scanned < target) {
            const void* lf = std::memchr(content.data() + scanned, '\n', target - scanned);
            if (!lf) {
                scanned = target;
                break;
            }
            scanned = static_cast<std::size_t>(static_cast<const char*>(lf) - content.data()) + 1;
            ++line;
            lineStart = scanned;
        }
        positions[k] = {line, offsets[k] - lineStart + 1};
    }
    return positions;
}

} // namespace vorna
