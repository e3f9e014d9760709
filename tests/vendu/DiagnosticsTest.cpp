#include "knowledge/Diagnostics.h"

#include "knowledge/EntryFile.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <utility>

namespace vorna {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries ReaderEntries(std::string content) {
    content.append(kEndSentinel);
    Entries entries;
    ParseEntries(content, [&entries](std::string q, std::string a) {
        entries.emplace_back(std::move(q), std::move(a));
    });
    return entries;
}

Entries SpanEntries(std::string_view content) {
    Entries entries;
    for (const EntrySpan& span : ScanEntrySpans(content)) {
        if (span.Kept()) {
            entries.emplace_back(
                content.substr(span.QuestionBegin(), span.answerMarker - span.QuestionBegin()),
                content.substr(span.AnswerBegin(), span.next - span.AnswerBegin()));
        }
    }
    return entries;
}

TEST(ScanEntrySpans, AgreesWithTheReaderOnRandomFiles) {
    const std::vector<std::string> pieces = {
        "(%Q%)",       "(%A%)", "(%", "%)",       "Q%)",   "(%Q%",    "(%A", "x",
        "\r\n",        "\xb0",  "A",  "\xb0\x41", "(",     "%",       "Q",   "m",
        "(%Q%)m(%A%)", "y",     " ",  "\n",       "(%q%)", "\xa3\xa8"};
    std::mt19937 rng(20240607);
    for (int round = 0; round < 4000; ++round) {
        std::string content;
        const int count = static_cast<int>(rng() % 30);
        for (int k = 0; k < count; ++k)
            content += pieces[rng() % pieces.size()];
        ASSERT_EQ(SpanEntries(content), ReaderEntries(content)) << "content: " << content;
        for (const EntrySpan& span : ScanEntrySpans(content)) {
            ASSERT_EQ(content.substr(span.questionMarker, kMarkerLength), kQuestionMarker);
            ASSERT_TRUE(span.next == content.size() ||
                        content.substr(span.next, kMarkerLength) == kQuestionMarker);
            if (!span.Kept()) {
                const std::string text =
                    content.substr(span.QuestionBegin(), span.next - span.QuestionBegin());
                ASSERT_EQ(text.find(kAnswerMarker), std::string::npos) << content;
            }
        }
    }
}

// One pass over a window of entries finds the entries the program's matcher finds in the
// store the reader makes of it: keywords cut from the file at any byte, so they start on
// trail bytes, hold markers or pieces of them, or span a question's end.
TEST(FindMatchingSpans, FindsWhatTheMatcherFindsInTheReadersStore) {
    const std::vector<std::string> pieces = {
        "(%Q%)", "(%A%)", "\r\n", "A",  "a",        "\xb0\x41", "\xb0",     "\x41\xb0", "\xd6\xd0",
        "(%",    "Q%)",   " ",    "AB", "\x81\x40", "\xff",     "\xb0\xb0", "preamble"};
    const LeadBytes cp936 = LeadBytes::Cp936();
    const LeadBytes none;
    std::mt19937 rng(1936);
    std::vector<EntrySpan> spans;
    std::vector<std::size_t> matching;
    for (int round = 0; round < 3000; ++round) {
        std::string content;
        const int count = static_cast<int>(rng() % 50);
        for (int k = 0; k < count; ++k)
            content += pieces[rng() % pieces.size()];
        std::vector<std::string> questions, answers;
        for (auto& [q, a] : ReaderEntries(content)) {
            questions.push_back(std::move(q));
            answers.push_back(std::move(a));
        }
        ScanEntrySpans(content, spans);
        for (int k = 0; k < 4; ++k) {
            std::string keyword;
            if (!content.empty() && k > 0)
                keyword = content.substr(rng() % content.size(), 1 + rng() % 6);
            for (const LeadBytes* lead : {&cp936, &none}) {
                std::vector<std::uint32_t> want;
                FindMatches(questions, answers, keyword, *lead, want);
                FindMatchingSpans(content, spans, keyword, *lead, matching);
                // Span indices to entry indices: the kept spans are the entries, in order.
                std::vector<std::uint32_t> got;
                std::uint32_t entry = 0;
                std::size_t next = 0;
                for (std::size_t s = 0; s < spans.size(); ++s) {
                    if (next < matching.size() && matching[next] == s) {
                        ASSERT_TRUE(spans[s].Kept());
                        got.push_back(entry);
                        ++next;
                    }
                    entry += spans[s].Kept() ? 1 : 0;
                }
                ASSERT_EQ(next, matching.size());
                ASSERT_EQ(got, want) << "content: " << content << " keyword: " << keyword
                                     << (lead == &none ? " (single-byte)" : "");
            }
        }
    }
}

TEST(ScanEntrySpans, GivesThePositionsOfAHandMadeFile) {
    // The preamble "notes", a lost "x", then "a" with the answer "b(%A%)c", then an entry
    // with both texts empty.
    const std::string content = "notes(%Q%)x(%Q%)a(%A%)b(%A%)c(%Q%)(%A%)";
    ASSERT_EQ(content.size(), 39u);
    const std::vector<EntrySpan> spans = ScanEntrySpans(content);
    ASSERT_EQ(spans.size(), 3u);
    EXPECT_EQ(std::make_tuple(spans[0].questionMarker, spans[0].answerMarker, spans[0].next),
              std::make_tuple(5u, kNoPosition, 11u));
    EXPECT_EQ(std::make_tuple(spans[1].questionMarker, spans[1].answerMarker, spans[1].next),
              std::make_tuple(11u, std::size_t{17}, 29u));
    EXPECT_EQ(std::make_tuple(spans[2].questionMarker, spans[2].answerMarker, spans[2].next),
              std::make_tuple(29u, std::size_t{34}, 39u));
}

std::string Record(std::string_view q, std::string_view a) {
    return MakeRecord(q, a);
}

struct Expected {
    FindingCode code;
    std::size_t offset;
    std::size_t textLength;
    bool operator==(const Expected& o) const {
        return code == o.code && offset == o.offset && textLength == o.textLength;
    }
};

std::ostream& operator<<(std::ostream& os, const Expected& e) {
    return os << FindingName(e.code) << "@" << e.offset << "+" << e.textLength;
}

TEST(DiagnoseEntryFile, ReportsEachKindWhereItIs) {
    using C = FindingCode;
    const std::string utf8Entry = "(%Q%)\xe9\x97\xae(%A%)\xe7\xad\x94";
    const struct {
        const char* name;
        std::string content;
        std::vector<Expected> want;
    } cases[] = {
        {"written records", Record("\xce\xca", "\xb4\xf0") + Record("q", "a"), {}},
        {"empty file", "", {}},
        {"lost in the middle", "(%Q%)a(%A%)b(%Q%)lost(%Q%)c(%A%)d", {{C::lostEntry, 12, 4}}},
        {"lost at the end", "(%Q%)a(%A%)b(%Q%)tail", {{C::lostEntry, 12, 4}}},
        {"blank preamble", " \r\n\t(%Q%)a(%A%)b", {}},
        {"preamble text and answer marker",
         "(%A%) hi \n(%Q%)a(%A%)b",
         {{C::preambleAnswerMarker, 0, 5}, {C::preambleText, 6, 2}}},
        {"no question marker", "text", {{C::preambleText, 0, 4}}},
        {"answer marker in an answer",
         "(%Q%)a(%A%)b(%A%)c(%A%)",
         {{C::answerMarkerInAnswer, 12, 5}, {C::answerMarkerInAnswer, 18, 5}}},
        {"lower-case marker", "(%Q%)a(%A%)(%q%)", {{C::lookAlikeMarker, 11, 5}}},
        {"marker cut at the end", "(%Q%)a(%A%)b(%Q%", {{C::lookAlikeMarker, 12, 4}}},
        {"marker missing its opening", "(%Q%)a(%A%)b%A%)", {{C::lookAlikeMarker, 12, 4}}},
        {"full-width marker", "(%Q%)a(%A%)\xa3\xa8%Q%\xa3\xa9", {{C::lookAlikeMarker, 11, 7}}},
        {"real markers side by side",
         "(%Q%)(%A%)",
         {{C::emptyQuestion, 0, 0}, {C::emptyAnswer, 5, 0}}},
        {"parenthesis before a marker", "((%Q%)x(%A%)y", {{C::preambleText, 0, 1}}},
        {"lead byte before a marker",
         "\xb0(%Q%)x(%A%)y",
         {{C::preambleText, 0, 1}, {C::invalidCp936, 0, 1}}},
        {"NUL run", std::string("(%Q%)a\0\0b(%A%)c", 15), {{C::nulBytes, 6, 2}}},
        {"invalid bytes merge into one run",
         "(%Q%)\xff\xff\xd6(%A%)\x80\xd6\xd0",
         {{C::invalidCp936, 5, 3}}},
        {"lead byte at the end", "(%Q%)a(%A%)\xd6", {{C::invalidCp936, 11, 1}}},
        {"empty and blank texts",
         "(%Q%)(%A%) (%Q%)\r\n(%A%)",
         {{C::emptyQuestion, 0, 0},
          {C::blankAnswer, 5, 1},
          {C::blankQuestion, 11, 2},
          {C::emptyAnswer, 18, 0}}},
        {"same question, other answer", Record("q", "a") + Record("q", "b"), {}},
        // Its last byte of each character is left over as a lone lead byte, too.
        {"UTF-8 file",
         utf8Entry,
         {{C::looksLikeUtf8, 5, 0}, {C::invalidCp936, 7, 1}, {C::invalidCp936, 15, 1}}},
    };
    for (const auto& c : cases) {
        std::vector<Expected> got;
        for (const Finding& f : DiagnoseEntryFile(c.content).findings)
            got.push_back({f.code, f.offset, f.textLength});
        EXPECT_EQ(got, c.want) << c.name;
    }
}

TEST(DiagnoseEntryFile, NamesTheEntryADuplicateRepeats) {
    // The last record has no line break after its answer; it still repeats the first.
    const std::string content = Record("Q", "A") + Record("X", "Y") + Record("Q", "A");
    const FileDiagnosis d = DiagnoseEntryFile(content);
    EXPECT_EQ(d.entryCount, 3u);
    ASSERT_EQ(d.findings.size(), 1u);
    const Finding& f = d.findings[0];
    EXPECT_EQ(f.code, FindingCode::duplicateEntry);
    EXPECT_EQ(f.entry, 3u);
    EXPECT_EQ(f.earlierEntry, 1u);
    EXPECT_EQ(f.earlierOffset, 2u);
    EXPECT_EQ(f.offset, 2 * Record("Q", "A").size() + 2);
}

TEST(DiagnoseEntryFile, CountsOnlyKeptEntries) {
    const FileDiagnosis d = DiagnoseEntryFile("x(%Q%)lost(%Q%)a(%A%)b(%Q%)c(%A%)d(%Q%)e");
    EXPECT_EQ(d.entryCount, 2u);
    EXPECT_TRUE(d.hasQuestionMarker);
    EXPECT_FALSE(DiagnoseEntryFile("(%A%)").hasQuestionMarker);
}

TEST(LocateOffsets, CountsLinesByLineFeedAndColumnsByByte) {
    const std::string content = "ab\ncd\r\n\nx";
    const std::vector<std::size_t> offsets = {8, 0, 3, 2, 7, 6, 9};
    const std::vector<TextPosition> at = LocateOffsets(content, offsets);
    const std::vector<std::pair<std::size_t, std::size_t>> want = {{4, 1}, {1, 1}, {2, 1}, {1, 3},
                                                                   {3, 1}, {2, 4}, {4, 2}};
    ASSERT_EQ(at.size(), want.size());
    for (std::size_t k = 0; k < at.size(); ++k) {
        EXPECT_EQ(std::make_pair(at[k].line, at[k].column), want[k]) << "offset " << offsets[k];
    }
}

TEST(CharacterLengths, FollowCodePage936AndUtf8) {
    const struct {
        std::string text;
        std::size_t cp936;
        std::size_t utf8;
    } cases[] = {
        {"a", 1, 1},
        {"\x80", 1, 0},
        {"\xd6\xd0", 2, 0},
        {"\xb0\x41", 2, 0},
        {"\xd6", 0, 0},
        {"\xd6\x0a", 0, 0},
        {"\xff\x41", 0, 0},
        {"\xe9\x97\xae", 2, 3},
        {"\xc3\xa9", 2, 2},
        {"\xe0\x80\x80", 2, 0},
        {"\xed\xa0\x80", 2, 0},
        {"\xf0\x9f\x98\x80", 2, 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Cp936CharLength(c.text, 0), c.cp936) << c.text;
        EXPECT_EQ(Utf8CharLength(c.text, 0), c.utf8) << c.text;
    }
}

} // namespace
} // namespace vorna
