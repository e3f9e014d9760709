#include "knowledge/EntrySpans.h"

#include "knowledge/EntryFile.h"
#include "knowledge/Search.h"
#include "tests/knowledge/ReferenceReader.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <utility>

namespace vorna {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries ReaderEntries(std::string content) {
    return test::ReferenceParseFile(std::move(content));
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
        "(%Q%)", "(%A%)", "\r\n", "A", "a", "\xb0\x41", "\xb0", "\x41\xb0", "\xd6\xd0", "(%", "Q%)",
        " ", "AB", "\x81\x40", "\xff", "\xb0\xb0", "preamble",
        // Long texts, so that an entry's markers are also looked for backwards.
        std::string(300, 'x'), std::string(301, '\xb0')};
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
                FindMatches(test::StoreOf(questions, answers), keyword, *lead, want);
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
                // Counting, which looks at the markers only around the keyword, agrees.
                ASSERT_EQ(CountMatchingEntries(content, keyword, *lead), want.size())
                    << "content: " << content << " keyword: " << keyword;
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

} // namespace
} // namespace vorna
