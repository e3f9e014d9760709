#include "knowledge/EntryStore.h"

#include "io/File.h"
#include "tests/io/TestFiles.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(store.m_arrQuestions, (std::vector<std::string>{"q1", "q1", ""}));
    EXPECT_EQ(store.m_arrAnswers, (std::vector<std::string>{"a1", "a1", "a3"}));
    store.RemoveAll();
    EXPECT_EQ(store.GetCount(), 0u);
    EXPECT_TRUE(store.m_arrAnswers.empty());
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
        EXPECT_EQ(store.m_arrQuestions, (std::vector<std::string>{"\r\nq1\r\n", "\r\nq2\r\n"}));
        EXPECT_EQ(store.m_arrAnswers, (std::vector<std::string>{"\r\na1\r\n", "\r\na2"}));
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
    EXPECT_EQ(store.m_arrQuestions, std::vector<std::string>{"old"});
    EXPECT_EQ(store.m_arrAnswers, std::vector<std::string>{"kept"});
}

} // namespace
} // namespace vorna
