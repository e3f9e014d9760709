#include "knowledge/EntryStore.h"

#include "io/File.h"
#include "knowledge/EntryFile.h"
#include "knowledge/EntryReader.h"
#include "tests/io/TestFiles.h"
#include "tests/knowledge/ReferenceReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vorna {
namespace {

TEST(EntryStore, KeepsEntriesInOrderInTwoParallelListsAndEmptiesBoth) {
    CEntryStore store;
    store.AddEntry("q1", "a1");
    store.AddEntry("q1", "a1");
    store.AddEntry("", "a3");
    EXPECT_EQ(store.GetCount(), 3u);
    EXPECT_EQ(test::Texts(store.m_arrQuestions), (std::vector<std::string>{"q1", "q1", ""}));
    EXPECT_EQ(test::Texts(store.m_arrAnswers), (std::vector<std::string>{"a1", "a1", "a3"}));
    store.RemoveAll();
    EXPECT_EQ(store.GetCount(), 0u);
    EXPECT_TRUE(store.m_arrAnswers.empty());
}

// Entries added from the store's own texts survive the buffer moving as it grows; bounds past
// 4 GiB take eight bytes each from then on and read back the same.
TEST(EntryStore, CopiesItsOwnEntriesAndBoundsPastFourGiB) {
    CEntryStore store;
    store.AddEntry("question", "answer");
    for (int i = 0; i < 12; ++i)
        store.AddEntry(store.m_arrAnswers[i], store.m_arrQuestions[i]);
    ASSERT_EQ(store.GetCount(), 13u);
    // Each entry swaps the texts of the one before.
    for (std::size_t i = 0; i < 13; ++i) {
        EXPECT_EQ(store.m_arrQuestions[i], i % 2 ? "answer" : "question") << i;
        EXPECT_EQ(store.m_arrAnswers[i], i % 2 ? "question" : "answer") << i;
    }
    EXPECT_EQ(store.AllTexts().size(), 13 * 14u);

    TextBounds bounds;
    const std::vector<std::uint64_t> pushed = {7, 4294967295u, 4294967296u, 9000000000u};
    for (std::uint64_t b : pushed)
        bounds.Push(b);
    ASSERT_EQ(bounds.Size(), 5u);
    EXPECT_EQ(bounds[0], 0u);
    for (std::size_t i = 0; i < pushed.size(); ++i)
        EXPECT_EQ(bounds[i + 1], pushed[i]);
    EXPECT_EQ(bounds.With([](const auto* b) { return sizeof *b; }), 8u);
}

class FileCheckTest : public test::ScratchDir {};

TEST_F(FileCheckTest, TellsMissingUnopenableAndFineApart) {
    std::string path = WriteFile("a.vendu", MakeRecord("q", "a"));
    EXPECT_EQ(CheckEntryFile(PathOf("missing.vendu")).status, FileStatus::missing);
    EXPECT_EQ(CheckEntryFile(path).status, FileStatus::ok);
    // A folder exists but is no file to read.
    EXPECT_EQ(CheckEntryFile(m_dir.u8string()).status, FileStatus::notPlainFile);
    for (unsigned mode : {unsigned(CFile::modeRead), unsigned(CFile::modeReadWrite)}) {
        CFile holder;
        ASSERT_TRUE(holder.Open(path, mode));
        EXPECT_EQ(CheckEntryFile(path).status, FileStatus::inUse);
    }
    EXPECT_EQ(CheckEntryFile(path).status, FileStatus::ok);
}

TEST_F(FileCheckTest, TheTrialOpenIsClosedAgain) {
    std::string path = WriteFile("a.vendu", "");
    ASSERT_EQ(CheckEntryFile(path).status, FileStatus::ok);
    CFile after;
    EXPECT_TRUE(after.Open(path, CFile::modeReadWrite));
}

class LoadTest : public test::ScratchDir {};

TEST_F(LoadTest, ReplacesTheStoreAndNeverDoublesIt) {
    std::string path = WriteFile("a.vendu", MakeRecord("q1", "a1") + MakeRecord("q2", "a2"));
    CEntryStore store;
    store.AddEntry("old", "old");
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(LoadEntryFile(path, store).status, FileStatus::ok);
        EXPECT_EQ(test::Texts(store.m_arrQuestions),
                  (std::vector<std::string>{"\r\nq1\r\n", "\r\nq2\r\n"}));
        EXPECT_EQ(test::Texts(store.m_arrAnswers),
                  (std::vector<std::string>{"\r\na1\r\n", "\r\na2"}));
    }
    std::string none = WriteFile("none.vendu", "no entries here (%A%)");
    EXPECT_EQ(LoadEntryFile(none, store).status, FileStatus::ok);
    EXPECT_EQ(store.GetCount(), 0u);
    EXPECT_TRUE(store.m_arrAnswers.empty());
}

// The file checked fine but vanished or was locked before it was read: the store keeps the
// entries it had, as after a failed check.
TEST_F(LoadTest, AFileThatCannotBeReadLeavesTheStoreAsItWas) {
    std::string path = WriteFile("a.vendu", MakeRecord("new", "new"));
    CEntryStore store;
    store.AddEntry("old", "kept");
    {
        CFile holder;
        ASSERT_TRUE(holder.Open(path, CFile::modeRead));
        EXPECT_EQ(LoadEntryFile(path, store).status, FileStatus::inUse);
    }
    EXPECT_EQ(LoadEntryFile(PathOf("gone.vendu"), store).status, FileStatus::missing);
    EXPECT_EQ(test::Texts(store.m_arrQuestions), std::vector<std::string>{"old"});
    EXPECT_EQ(test::Texts(store.m_arrAnswers), std::vector<std::string>{"kept"});
}

// The file's encoding comes with its entries, however the bytes arrive; a UTF-16 file's texts
// are held as UTF-8, the others' byte for byte as in the file; loading writes nothing.
TEST_F(LoadTest, KnowsTheFilesEncodingAndHoldsUtf16TextsAsUtf8) {
    const std::string utf8 = MakeRecord("问题\xF0\x9F\x98\x80", "答案") + MakeRecord("q", "a");
    const auto utf16 = [&](Encoding e) {
        return std::string(ByteOrderMark(e)) + Convert(utf8, Encoding::utf8, e).text;
    };
    const test::Entries expected = {{"\r\n问题\xF0\x9F\x98\x80\r\n", "\r\n答案\r\n"},
                                    {"\r\nq\r\n", "\r\na"}};
    const std::string gbk = MakeRecord("\xCE\xCA", "\xB4\xF0");
    struct Case {
        const char* name;
        std::string bytes;
        FileEncoding encoding;
        test::Entries entries;
    };
    const std::vector<Case> cases = {
        {"utf8-mark", "\xEF\xBB\xBF" + utf8, {Encoding::utf8, 3}, expected},
        {"utf8", utf8, {Encoding::utf8, 0}, expected},
        {"utf16le", utf16(Encoding::utf16le), {Encoding::utf16le, 2}, expected},
        {"utf16be", utf16(Encoding::utf16be), {Encoding::utf16be, 2}, expected},
        {"gbk", gbk, {Encoding::cp936, 0}, {{"\r\n\xCE\xCA\r\n", "\r\n\xB4\xF0"}}},
        {"ascii", MakeRecord("q", "a"), {Encoding::cp936, 0}, {{"\r\nq\r\n", "\r\na"}}},
        {"empty", "", {Encoding::cp936, 0}, {}},
        {"utf16-mark-only", "\xFF\xFE", {Encoding::utf16le, 2}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteFile(std::string(c.name) + ".vendu", c.bytes);
        CEntryStore store;
        ASSERT_TRUE(LoadEntryFile(path, store).Ok());
        EXPECT_EQ(store.GetFileEncoding(), c.encoding);
        EXPECT_EQ(test::EntriesOf(store), c.entries);
        EXPECT_EQ(ReadBack(std::string(c.name) + ".vendu"), c.bytes);
        for (std::size_t piece : {1, 2, 5}) {
            CEntryStore pieces;
            CEntryReader reader(pieces);
            for (std::size_t at = 0; at < c.bytes.size(); at += piece) {
                const std::size_t n = std::min(piece, c.bytes.size() - at);
                std::memcpy(reader.Room(n), c.bytes.data() + at, n);
                reader.Commit(n);
            }
            reader.Finish();
            EXPECT_EQ(pieces.GetFileEncoding(), c.encoding) << piece;
            EXPECT_EQ(test::EntriesOf(pieces), c.entries) << piece;
        }
    }
    CEntryStore store;
    ASSERT_TRUE(LoadEntryFile(WriteFile("again.vendu", utf8), store).Ok());
    store.RemoveAll();
    EXPECT_EQ(store.GetFileEncoding(), FileEncoding{});
}

} // namespace
} // namespace vorna
