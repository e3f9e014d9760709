#include "knowledge/EntryFile.h"

#include "io/File.h"
#include "knowledge/EntryStore.h"
#include "tests/io/TestFiles.h"
#include "tests/knowledge/ReferenceReader.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace vorna {
namespace {

using test::Entries;

Entries Parse(const std::string& fileBytes) {
    return test::ReadInPieces(fileBytes);
}

std::string S(const char* bytes, std::size_t n) {
    return std::string(bytes, n);
}

// The two files worked through byte by byte in the format's description.
TEST(EntryReader, TwoRecordsAppendedToAnEmptyFile) {
    const std::string file = S("\r\n(%Q%)\r\nQ1\r\n(%A%)\r\nA1\r\n(%Q%)\r\nQ2\r\n(%A%)\r\nA2", 44);
    ASSERT_EQ(file.size(), 44u);
    EXPECT_EQ(file, MakeRecord("Q1", "A1") + MakeRecord("Q2", "A2"));
    Entries expected = {{"\r\nQ1\r\n", "\r\nA1\r\n"}, {"\r\nQ2\r\n", "\r\nA2"}};
    EXPECT_EQ(Parse(file), expected);
}

TEST(EntryReader, HandMadeFileWithPreambleStrayMarkersAndEmptyTexts) {
    const std::string file = "notes(%Q%)x(%Q%)a(%A%)b(%A%)c(%Q%)(%A%)";
    ASSERT_EQ(file.size(), 39u);
    Entries expected = {{"a", "b(%A%)c"}, {"", ""}};
    EXPECT_EQ(Parse(file), expected);
}

struct ParseCase {
    const char* name;
    std::string file;
    Entries expected;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.name;
}

class ParseTable : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, GivesTheExpectedEntries) {
    EXPECT_EQ(Parse(GetParam().file), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseTable,
    testing::Values(
        ParseCase{"empty", "", {}}, ParseCase{"no_marker", "just some text\r\n(%A%)x", {}},
        ParseCase{"question_without_answer", "(%Q%)text", {}},
        ParseCase{"markers_only", "(%Q%)(%A%)", {{"", ""}}},
        ParseCase{"one_line", "(%Q%)how(%A%)so", {{"how", "so"}}},
        ParseCase{"preamble_with_answer_marker", "x(%A%)y\r\n(%Q%)q(%A%)a", {{"q", "a"}}},
        ParseCase{"answer_keeps_answer_markers", "(%Q%)q(%A%)a(%A%)(%A%)", {{"q", "a(%A%)(%A%)"}}},
        ParseCase{"empty_answer_before_next", "(%Q%)q(%A%)(%Q%)r(%A%)s", {{"q", ""}, {"r", "s"}}},
        ParseCase{"skipped_question_between_entries",
                  "(%Q%)a(%A%)1(%Q%)lost(%Q%)b(%A%)2",
                  {{"a", "1"}, {"b", "2"}}},
        ParseCase{"lower_case_q_is_text", "(%Q%)a(%A%)1(%q%)b(%A%)2", {{"a", "1(%q%)b(%A%)2"}}},
        ParseCase{"lower_case_a_is_text", "(%Q%)a(%a%)1", {}},
        ParseCase{"near_misses_are_text",
                  "(%Q%)a(%A%)b(%A%(%A)%A%)(%QQ%)",
                  {{"a", "b(%A%(%A)%A%)(%QQ%)"}}},
        ParseCase{"ends_in_four_bytes_of_question_marker", "(%Q%)q(%A%)a(%Q%", {{"q", "a(%Q%"}}},
        ParseCase{"ends_in_four_bytes_of_answer_marker", "(%Q%)q(%A%", {}},
        ParseCase{"ends_in_answer_marker", "(%Q%)q(%A%)", {{"q", ""}}},
        ParseCase{"double_byte_around_markers",
                  "\xD6\xD0(%Q%)\xCE\xCA\xCC\xE2(%A%)\xB4\xF0\xB0\xB8(%Q%)\xB0(%A%)\xB0",
                  {{"\xCE\xCA\xCC\xE2", "\xB4\xF0\xB0\xB8"}, {"\xB0", "\xB0"}}},
        ParseCase{"nul_bytes_are_text",
                  S("\0(%Q%)\0q\0(%A%)a\0\r\n\0", 19),
                  {{S("\0q\0", 3), S("a\0\r\n\0", 5)}}},
        ParseCase{"nul_inside_a_marker_breaks_it", S("(%Q%)q(%A\0%)a", 13), {}},
        ParseCase{"sentinel_text_inside_file", "(%Q%)m(%A%)y", {{"m", "y"}}}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

// The answer-marker search stops at the next question marker; a file of many question
// markers and no answer marker would otherwise rescan to the end for each of them.
TEST(EntryReader, ManyQuestionMarkersWithoutAnswersYieldNothing) {
    std::string file;
    for (int i = 0; i < 200000; ++i)
        file += "(%Q%)";
    EXPECT_TRUE(Parse(file).empty());
    file += "(%A%)last";
    Entries expected = {{"", "last"}};
    EXPECT_EQ(Parse(file), expected);
}

// The reader as it was is the reference: random files made of marker pieces and near misses,
// handed over in pieces of random sizes, so markers fall across every boundary.
TEST(EntryReader, AgreesWithTheReferenceReaderHoweverTheBytesArrive) {
    const std::vector<std::string> pieces = {
        "(%Q%)", "(%A%)", "(%", "%)", "Q%)", "(%Q%",  "(%A",        "x",
        "\r\n",  "\xB0",  "(",  ")",  "%",   "(%q%)", "(%A%)(%Q%)", S("\0", 1)};
    std::mt19937 rng(14);
    for (int round = 0; round < 4000; ++round) {
        std::string file;
        const int count = static_cast<int>(rng() % 40);
        for (int k = 0; k < count; ++k)
            file += pieces[rng() % pieces.size()];
        std::vector<std::size_t> splits;
        for (unsigned k = 0, n = 1 + rng() % 4; k < n; ++k)
            splits.push_back(1 + rng() % 12);
        const Entries want = test::ReferenceParseFile(file);
        ASSERT_EQ(Parse(file), want) << file;
        ASSERT_EQ(test::ReadInPieces(file, splits), want) << file;
    }
}

TEST(MakeRecord, IsEighteenBytesPlusTheTexts) {
    EXPECT_EQ(MakeRecord("", ""), "\r\n(%Q%)\r\n\r\n(%A%)\r\n");
    const std::string q = "\xCE\xCA\xCC\xE2 \r\n x", a = "\xB4\xF0\xB0\xB8";
    std::string record = MakeRecord(q, a);
    EXPECT_EQ(record.size(), 18 + q.size() + a.size());
    EXPECT_EQ(record, "\r\n(%Q%)\r\n" + q + "\r\n(%A%)\r\n" + a);
}

// A record goes into a file in the file's own encoding; only UTF-16 changes its bytes.
TEST(MakeRecord, InTheFilesEncoding) {
    const std::string utf8 = "\xF0\x9F\x98\x80"; // an emoji
    EXPECT_EQ(MakeRecordIn({Encoding::utf8, 3}, utf8, "a").text, MakeRecord(utf8, "a"));
    EXPECT_EQ(MakeRecordIn({Encoding::cp936, 0}, "\xD6\xD0", "a").text,
              MakeRecord("\xD6\xD0", "a"));
    const Converted<std::string> wide = MakeRecordIn({Encoding::utf16le, 2}, utf8, "a");
    ASSERT_TRUE(wide.ok);
    EXPECT_EQ(wide.text, Convert(MakeRecord(utf8, "a"), Encoding::utf8, Encoding::utf16le).text);
    EXPECT_EQ(wide.text.substr(0, 6), std::string("\r\0\n\0(\0", 6));
    EXPECT_FALSE(MakeRecordIn({Encoding::utf16be, 2}, "\xFF", "a").ok);
}

struct CheckCase {
    std::string question;
    std::string answer;
    EntryCheck expected;
};

// The six tests in their order: where several apply, the earliest decides.
TEST(CheckNewEntry, TheFirstFailingTestDecides) {
    const std::vector<CheckCase> cases = {
        {"", "", EntryCheck::questionEmpty},
        {"", "(%Q%)", EntryCheck::questionEmpty},
        {"(%A%)(%Q%)", "", EntryCheck::questionHasQuestionMarker},
        {"x(%Q%)", "(%A%)", EntryCheck::questionHasQuestionMarker},
        {"x(%A%)", "", EntryCheck::questionHasAnswerMarker},
        {"q", "", EntryCheck::answerEmpty},
        {"q", "(%A%)(%Q%)", EntryCheck::answerHasQuestionMarker},
        {"q", "a(%A%)", EntryCheck::answerHasAnswerMarker},
        {"(%q%)(%a%)", "(%q%)(%a%)", EntryCheck::ok},
        {"\xCE\xCA\xCC\xE2", S("\0", 1), EntryCheck::ok},
        {" ", "\r\n", EntryCheck::ok},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE("question [" + c.question + "] answer [" + c.answer + "]");
        EXPECT_EQ(CheckNewEntry(c.question, c.answer), c.expected);
    }
}

TEST(CheckNewEntry, MessagesAreTheUsersTexts) {
    // 输入为空，请输入内容！ and 错误输入，请修改内容！ in UTF-8.
    const std::string empty = "\xE8\xBE\x93\xE5\x85\xA5\xE4\xB8\xBA\xE7\xA9\xBA\xEF\xBC\x8C\xE8\xAF"
                              "\xB7\xE8\xBE\x93\xE5\x85\xA5\xE5\x86\x85\xE5\xAE\xB9\xEF\xBC\x81";
    const std::string wrong = "\xE9\x94\x99\xE8\xAF\xAF\xE8\xBE\x93\xE5\x85\xA5\xEF\xBC\x8C\xE8\xAF"
                              "\xB7\xE4\xBF\xAE\xE6\x94\xB9\xE5\x86\x85\xE5\xAE\xB9\xEF\xBC\x81";
    EXPECT_EQ(std::string(EntryCheckMessage(EntryCheck::ok)), "");
    for (EntryCheck c : {EntryCheck::questionEmpty, EntryCheck::answerEmpty})
        EXPECT_EQ(EntryCheckMessage(c), empty);
    for (EntryCheck c : {EntryCheck::questionHasQuestionMarker, EntryCheck::questionHasAnswerMarker,
                         EntryCheck::answerHasQuestionMarker, EntryCheck::answerHasAnswerMarker})
        EXPECT_EQ(EntryCheckMessage(c), wrong);
}

class ReadEntryFileTest : public test::ScratchDir {
protected:
    FileResult Read(const std::string& path, Entries& out) {
        CEntryStore store;
        const FileResult result = LoadEntryFile(path, store);
        out = test::EntriesOf(store);
        return result;
    }
};

// A file of the given size: filler, then records, the last answer padded to fit; with
// markers placed across the 80-byte read boundaries.
std::string FileOfSize(std::size_t size, std::size_t preamble) {
    std::string file(preamble, '-');
    int i = 0;
    while (file.size() + 40 < size) {
        file += MakeRecord("\xCE\xCA" + std::to_string(i), "\xB4\xF0" + std::to_string(i));
        ++i;
    }
    file.resize(size, '+');
    return file;
}

// An open file's encoding, as the Add dialog decides it: from all its bytes unless a mark or
// a byte that is not UTF-8 settles it first.
TEST_F(ReadEntryFileTest, AnOpenFilesEncodingComesFromItsBytes) {
    const struct {
        std::string bytes;
        FileEncoding encoding;
    } cases[] = {
        {"", {Encoding::cp936, 0}},
        {std::string(100000, 'a') + "\xE4\xB8\xAD", {Encoding::utf8, 0}}, // past the first read
        {"\xEF\xBB\xBF", {Encoding::utf8, 3}},
        {"\xFE\xFF", {Encoding::utf16be, 2}},
        {MakeRecord("\xCE\xCA", "a"), {Encoding::cp936, 0}},
    };
    for (const auto& c : cases) {
        CFile file;
        ASSERT_TRUE(file.Open(WriteFile("e.vendu", c.bytes), CFile::modeReadWrite));
        FileEncoding encoding{Encoding::utf16le, 9};
        EXPECT_TRUE(ReadFileEncoding(file, encoding).Ok());
        EXPECT_EQ(encoding, c.encoding) << c.bytes.size();
    }
}

TEST_F(ReadEntryFileTest, ReadingInChunksGivesWhatParsingInOnePieceGives) {
    for (std::size_t size :
         {0, 1, 4, 79, 80, 81, 159, 160, 161, 800, 801, 8000, 8001, 65600, 65601, 65536 + 79}) {
        for (std::size_t preamble : {0, 75, 76, 77, 78, 79}) {
            if (preamble > size)
                continue;
            SCOPED_TRACE(testing::Message() << "size " << size << ", preamble " << preamble);
            const std::string content = FileOfSize(size, preamble);
            ASSERT_EQ(content.size(), size);
            Entries got;
            FileResult r = Read(WriteFile("a.vendu", content), got);
            EXPECT_EQ(r.status, FileStatus::ok);
            EXPECT_EQ(r.offset, size);
            EXPECT_EQ(got, Parse(content));
            if (size >= 800) {
                EXPECT_FALSE(got.empty());
            }
        }
    }
}

// Files read from disk in blocks of 1 MiB: a question marker, then an answer marker, placed
// across the end of the first block, and the file against the reference's 80-byte reads.
TEST_F(ReadEntryFileTest, AgreesWithTheReferenceReaderAcrossReadBlocks) {
    for (std::size_t before = (1u << 20) - 12; before <= (1u << 20) + 1; ++before) {
        SCOPED_TRACE(testing::Message() << before << " bytes before the last entry");
        const std::string path = WriteFile("a.vendu", FileOfSize(before, 3) + "(%Q%)q(%A%)a");
        Entries got, want;
        ASSERT_EQ(Read(path, got).status, FileStatus::ok);
        ASSERT_EQ(test::ReferenceRead(path, want).status, FileStatus::ok);
        EXPECT_EQ(got, want);
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.back(), (std::pair<std::string, std::string>("q", "a")));
    }
}

TEST_F(ReadEntryFileTest, AMissingFileHandsOverNothing) {
    Entries got;
    FileResult r = Read(PathOf("missing.vendu"), got);
    EXPECT_EQ(r.status, FileStatus::missing);
    EXPECT_TRUE(got.empty());
}

TEST_F(ReadEntryFileTest, AFileHeldByAnotherOpenerHandsOverNothing) {
    std::string path = WriteFile("a.vendu", MakeRecord("q", "a"));
    CFile holder;
    ASSERT_TRUE(holder.Open(path, CFile::modeReadWrite));
    Entries got;
    EXPECT_EQ(Read(path, got).status, FileStatus::inUse);
    EXPECT_TRUE(got.empty());
    holder.Close();
    EXPECT_EQ(Read(path, got).status, FileStatus::ok);
    EXPECT_EQ(got.size(), 1u);
}

// What the Add dialog does: append records to an existing empty file through the file
// object, then load the file.
TEST_F(ReadEntryFileTest, WrittenRecordsReadBackWithTheRecordsLineBreaks) {
    const Entries written = {
        {"\xB8\xB4\xD6\xC6", "Ctrl+C"},
        {"two\r\nlines", " spaced answer "},
        {"(%q%) look-alike", "(%a%)"},
        {"\xB0", "\xB0"},
        {"last", "answer"},
    };
    std::string path = WriteFile("a.vendu", "");
    for (const auto& entry : written) {
        ASSERT_EQ(CheckNewEntry(entry.first, entry.second), EntryCheck::ok);
        CFile file;
        ASSERT_TRUE(file.Open(path, CFile::modeReadWrite));
        ASSERT_TRUE(file.SeekToEnd());
        std::string record = MakeRecord(entry.first, entry.second);
        ASSERT_EQ(file.Append(record.data(), record.size()), record.size());
    }
    Entries got;
    ASSERT_EQ(Read(path, got).status, FileStatus::ok);
    ASSERT_EQ(got.size(), written.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        EXPECT_EQ(got[i].first, "\r\n" + written[i].first + "\r\n");
        const bool last = i + 1 == written.size();
        EXPECT_EQ(got[i].second, "\r\n" + written[i].second + (last ? "" : "\r\n"));
    }
}

// The example knowledge base shipped with the program reads back as the entries the Add
// dialog would have written.
TEST(ExampleFile, ReadsAsRecordsTheWriterAccepts) {
    CEntryStore store;
    FileResult r = LoadEntryFile(std::string(VORNA_EXAMPLES_DIR) + "/super.vendu", store);
    const Entries got = test::EntriesOf(store);
    ASSERT_EQ(r.status, FileStatus::ok);
    ASSERT_EQ(got.size(), 28u);
    std::string rewritten;
    for (std::size_t i = 0; i < got.size(); ++i) {
        const std::string& q = got[i].first;
        std::string a = got[i].second;
        if (i + 1 < got.size()) {
            ASSERT_GE(a.size(), 2u);
            EXPECT_EQ(a.substr(a.size() - 2), "\r\n");
            a.resize(a.size() - 2);
        }
        ASSERT_GE(q.size(), 4u);
        ASSERT_EQ(q.substr(0, 2), "\r\n");
        ASSERT_EQ(q.substr(q.size() - 2), "\r\n");
        ASSERT_EQ(a.substr(0, 2), "\r\n");
        const std::string question = q.substr(2, q.size() - 4), answer = a.substr(2);
        EXPECT_EQ(CheckNewEntry(question, answer), EntryCheck::ok) << i;
        rewritten += MakeRecord(question, answer);
    }
    EXPECT_EQ(rewritten.size(), r.offset);
}

} // namespace
} // namespace vorna
