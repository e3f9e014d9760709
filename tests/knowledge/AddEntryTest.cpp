// Adding an entry: what the checks tell the user, and appending a record all or nothing.
#include "knowledge/EntryAppend.h"
#include "knowledge/EntryFile.h"

#include "TestFiles.h"
#include "platform/File.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace vorna {
namespace {

// 输入为空，请输入内容！ and 错误输入，请修改内容！ in UTF-8.
const std::string kEmptyInput =
    "\xE8\xBE\x93\xE5\x85\xA5\xE4\xB8\xBA\xE7\xA9\xBA\xEF\xBC\x8C\xE8\xAF"
    "\xB7\xE8\xBE\x93\xE5\x85\xA5\xE5\x86\x85\xE5\xAE\xB9\xEF\xBC\x81";
const std::string kWrongInput =
    "\xE9\x94\x99\xE8\xAF\xAF\xE8\xBE\x93\xE5\x85\xA5\xEF\xBC\x8C\xE8\xAF"
    "\xB7\xE4\xBF\xAE\xE6\x94\xB9\xE5\x86\x85\xE5\xAE\xB9\xEF\xBC\x81";

struct SaveCase {
    std::string question;
    std::string answer;
    std::string message; // empty: the entry is saved
};

// The message the user sees for a question and an answer typed into the dialog.
TEST(AddEntryChecks, MessageForWhatTheUserTyped) {
    const std::vector<SaveCase> cases = {
        // The question's marker tests come before the answer's empty test.
        {"a(%A%)", "", kWrongInput},
        {"", "x(%Q%)y", kEmptyInput},
        {"q", "before (%Q%) after", kWrongInput},
        {"q", "\xB4\xF0(%A%)", kWrongInput},
        {"(%q%)", "(%a%)", ""},
        {"(%Q%", "%A%)", ""},
        {"(%Q%x)", "(%A %)", ""},
        {" ", "\t", ""},
        {"\r\n", "\r\n\r\n", ""},
        {"\xCE\xCA\xCC\xE2", "\xB4\xF0\xB0\xB8", ""},
    };
    for (const SaveCase& c : cases) {
        SCOPED_TRACE("question [" + c.question + "] answer [" + c.answer + "]");
        EXPECT_EQ(EntryCheckMessage(CheckNewEntry(c.question, c.answer)), c.message);
    }
}

class AppendWholeTest : public test::ScratchDir {};

TEST_F(AppendWholeTest, NothingIsWrittenWithoutAnOpenFile) {
    std::string path = WriteFile("a.vendu", "old");
    CFile file;
    AppendResult r = AppendWhole(file, MakeRecord("q", "a"));
    EXPECT_EQ(r.status, AppendStatus::notOpen);
    EXPECT_EQ(r.bytesWritten, 0u);
    ASSERT_TRUE(file.Open(path, CFile::modeReadWrite));
    file.Close();
    EXPECT_EQ(AppendWhole(file, "x").status, AppendStatus::notOpen);
    EXPECT_EQ(ReadBack("a.vendu"), "old");
}

TEST_F(AppendWholeTest, TwoSavesToAnEmptyFileGiveTheTwoRecordsAndNothingElse) {
    std::string path = WriteFile("a.vendu", "");
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeReadWrite));
    AppendResult first = AppendWhole(file, MakeRecord("Q1", "A1"));
    AppendResult second = AppendWhole(file, MakeRecord("Q2", "A2"));
    file.Close();
    EXPECT_EQ(first.status, AppendStatus::appended);
    EXPECT_EQ(first.offset, 0u);
    EXPECT_EQ(first.bytesWritten, 22u);
    EXPECT_EQ(second.status, AppendStatus::appended);
    EXPECT_EQ(second.offset, 22u);
    EXPECT_EQ(ReadBack("a.vendu"), "\r\n(%Q%)\r\nQ1\r\n(%A%)\r\nA1\r\n(%Q%)\r\nQ2\r\n(%A%)\r\nA2");
}

// The file position may be anywhere (a read moved it); the record still goes to the end.
TEST_F(AppendWholeTest, AppendsAtTheEndWhateverThePosition) {
    const std::string old = "preamble(%Q%)x(%A%)y no line break at the end";
    std::string path = WriteFile("a.vendu", old);
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeReadWrite));
    char head[4];
    ASSERT_EQ(file.Read(head, sizeof head), sizeof head);
    AppendResult r = AppendWhole(file, MakeRecord(" ", "\r\n"));
    file.Close();
    EXPECT_EQ(r.status, AppendStatus::appended);
    EXPECT_EQ(r.offset, old.size());
    EXPECT_EQ(ReadBack("a.vendu"), old + "\r\n(%Q%)\r\n \r\n(%A%)\r\n\r\n");
}

#ifndef _WIN32
// Lets writes of this process go no further than a file size, the way a full disk stops them:
// the write that crosses the limit is cut short, the next one fails. The signal the kernel
// sends for it is ignored meanwhile, so the writes just report it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_ok = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_ok = m_ok && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Ok() const { return m_ok; }

private:
    struct rlimit m_old {};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};
#endif

// A write cut short after any number of bytes, none included, leaves the file byte for byte
// as it was, and the same open file takes the record once there is room again.
TEST_F(AppendWholeTest, AShortWriteIsUndoneAndTheFileStaysUsable) {
#ifdef _WIN32
    GTEST_SKIP() << "the kernel's file size limit is a POSIX facility; the Windows build meets "
                    "a real full disk in the end-to-end tests";
#else
    const std::string old = "\r\n(%Q%)\r\nold\r\n(%A%)\r\nentry";
    const std::string record = MakeRecord("\xCE\xCA\xCC\xE2", "\xB4\xF0\xB0\xB8");
    for (std::size_t room : {std::size_t(0), std::size_t(1), std::size_t(9), record.size() - 1}) {
        SCOPED_TRACE("room for " + std::to_string(room) + " bytes");
        std::string path = WriteFile("a.vendu", old);
        CFile file;
        ASSERT_TRUE(file.Open(path, CFile::modeReadWrite));
        AppendResult failed;
        bool limited = false;
        {
            // Nothing may print while the limit holds: the output may be a file too.
            FileSizeLimit limit(old.size() + room);
            limited = limit.Ok();
            failed = AppendWhole(file, record);
        }
        ASSERT_TRUE(limited);
        EXPECT_EQ(failed.status, AppendStatus::writeFailed);
        EXPECT_EQ(failed.offset, old.size());
        EXPECT_EQ(failed.bytesWritten, room);
        EXPECT_EQ(ReadBack("a.vendu"), old);

        AppendResult retried = AppendWhole(file, record);
        file.Close();
        EXPECT_EQ(retried.status, AppendStatus::appended);
        EXPECT_EQ(retried.offset, old.size());
        EXPECT_EQ(ReadBack("a.vendu"), old + record);
    }
#endif
}

} // namespace
} // namespace vorna
