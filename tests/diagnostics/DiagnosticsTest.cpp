#include "diagnostics/Diagnostics.h"

#include "io/File.h"
#include "knowledge/EntryFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace vorna {
namespace {

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
        // A file in one encoding, UTF-8 with or without its mark, holds nothing to report.
        {"UTF-8 file", utf8Entry, {}},
        {"UTF-8 file with its mark", "\xef\xbb\xbf" + utf8Entry, {}},
        {"full-width marker in UTF-8",
         "\xef\xbb\xbf(%Q%)a(%A%)\xef\xbc\x88%Q%\xef\xbc\x89",
         {{C::lookAlikeMarker, 14, 9}}},
        {"bytes that are not UTF-8 in a UTF-8 file",
         "\xef\xbb\xbf(%Q%)\xff(%A%)a" + utf8Entry,
         {{C::invalidUtf8, 8, 1}}},
        // The entry in the other encoding is named; its bytes are looked at in their own.
        {"GBK entry in a UTF-8 file",
         "\xef\xbb\xbf" + utf8Entry + "(%Q%)\xce\xca(%A%)\xb4\xf0",
         {{C::mixedEncoding, 19, 14}}},
        {"UTF-8 entry in a GBK file",
         "(%Q%)\xce\xca(%A%)\xb4\xf0" + utf8Entry,
         {{C::mixedEncoding, 14, 16}}},
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

// A file diagnosed window by window, from disk, tells exactly what the diagnosis of its
// bytes in memory tells, however small the reads: random files of markers, look-alikes, NUL
// and invalid bytes, UTF-8 and code page 936 text, line breaks and repeated entries.
TEST(DiagnoseEntryFile, AFileReadInWindowsTellsWhatTheBytesInMemoryTell) {
    const std::vector<std::string> pieces = {"(%Q%)",
                                             "(%A%)",
                                             "\r\n",
                                             "\n",
                                             " ",
                                             "x",
                                             "(%q%)",
                                             "%A%)",
                                             "\xa3\xa8%Q%\xa3\xa9",
                                             std::string("\0\0", 2),
                                             "\xff",
                                             "\xb0",
                                             "\xce\xca",
                                             "\xe9\x97\xae",
                                             "\xef\xbc\x88%Q%\xef\xbc\x89",
                                             "(%Q%)q(%A%)a",
                                             "(%Q%)q(%A%)a\r\n",
                                             "notes",
                                             std::string(60, 'p')};
    struct Told {
        FindingCode code;
        std::size_t offset, textBegin, textLength, entry, earlierEntry, earlierOffset;
        std::size_t line, column, earlierLine;
        std::string text;
        bool atEnd;
        bool operator==(const Told& o) const {
            return std::tie(code, offset, textBegin, textLength, entry, earlierEntry, earlierOffset,
                            line, column, earlierLine, text, atEnd) ==
                   std::tie(o.code, o.offset, o.textBegin, o.textLength, o.entry, o.earlierEntry,
                            o.earlierOffset, o.line, o.column, o.earlierLine, o.text, o.atEnd);
        }
    };
    const auto collect = [](std::vector<Told>& into) {
        return [&into](const FindingReport& r) {
            const Finding& f = r.finding;
            into.push_back({f.code, f.offset, f.textBegin, f.textLength, f.entry, f.earlierEntry,
                            f.earlierOffset, r.at.line, r.at.column, r.earlierLine,
                            std::string(r.text), r.atEnd});
        };
    };
    const std::string path = testing::TempDir() + "vorna_diagnose_windows.vendu";
    std::mt19937 rng(2026);
    for (int round = 0; round < 400; ++round) {
        // A quarter of them UTF-8 by their mark.
        std::string content = round % 4 == 0 ? "\xef\xbb\xbf" : "";
        for (int k = 0, n = static_cast<int>(rng() % 40); k < n; ++k)
            content += pieces[rng() % pieces.size()];
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
        const FileDiagnosis whole = DiagnoseEntryFile(content);
        std::vector<Told> want;
        ReportFindings(content, whole, collect(want));
        for (std::size_t readSize : {1, 3, 7, 64, 4096}) {
            std::vector<Told> got;
            FileDiagnosis summary;
            ASSERT_TRUE(DiagnoseEntryFile(path, Opening{CFile::modeRead | CFile::shareDenyWrite},
                                          summary, collect(got), readSize)
                            .Ok());
            EXPECT_EQ(summary.entryCount, whole.entryCount);
            EXPECT_EQ(summary.hasQuestionMarker, whole.hasQuestionMarker);
            EXPECT_EQ(summary.encoding, whole.encoding);
            EXPECT_EQ(summary.otherEncodingEntries, whole.otherEncodingEntries);
            ASSERT_EQ(got.size(), want.size()) << "read size " << readSize << ": " << content;
            for (std::size_t k = 0; k < got.size(); ++k)
                ASSERT_TRUE(got[k] == want[k])
                    << "finding " << k << " (" << FindingName(got[k].code) << "), read size "
                    << readSize << ": " << content;
        }
    }
    std::remove(path.c_str());
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

} // namespace
} // namespace vorna
