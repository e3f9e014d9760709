#include "knowledge/EntryStore.h"

#include "io/File.h"
#include "tests/io/TestFiles.h"
#include "tests/knowledge/ReferenceReader.h"

#include <gtest/gtest.h>

#include <cstdint>
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

} // namespace
} // namespace vorna
