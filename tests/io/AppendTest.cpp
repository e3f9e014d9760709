// Appending all or nothing.
#include "io/Append.h"

#include "knowledge/EntryFile.h"
#include "tests/io/TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace vorna {
namespace {

class AppendWholeTest : public test::ScratchDir {};

TEST_F(AppendWholeTest, NothingIsWrittenWithoutAnOpenFile) {
    std::string path = WriteFile("a.vendu", "old");
    CFile file;
    FileResult r = AppendWhole(file, MakeRecord("q", "a"));
    EXPECT_EQ(r.status, FileStatus::notOpen);
    EXPECT_EQ(r.written, 0u);
    ASSERT_TRUE(file.Open(path, CFile::modeReadWrite));
    file.Close();
    EXPECT_EQ(AppendWhole(file, "x").status, FileStatus::notOpen);
    EXPECT_EQ(ReadBack("a.vendu"), "old");
}

TEST_F(AppendWholeTest, AppendsAtTheEndInOneGo) {
    std::string path = WriteFile("a.vendu", "before");
    CFile target;
    ASSERT_TRUE(target.Open(path, CFile::modeReadWrite));
    const FileResult result = AppendWhole(target, "after");
    EXPECT_EQ(result.status, FileStatus::ok);
    EXPECT_EQ(result.offset, 6u);
    EXPECT_EQ(result.written, 5u);
    target.Close();
    EXPECT_EQ(ReadBack("a.vendu"), "beforeafter");
}

TEST_F(AppendWholeTest, TwoSavesToAnEmptyFileGiveTheTwoRecordsAndNothingElse) {
    std::string path = WriteFile("a.vendu", "");
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeReadWrite));
    FileResult first = AppendWhole(file, MakeRecord("Q1", "A1"));
    FileResult second = AppendWhole(file, MakeRecord("Q2", "A2"));
    file.Close();
    EXPECT_EQ(first.status, FileStatus::ok);
    EXPECT_EQ(first.offset, 0u);
    EXPECT_EQ(first.written, 22u);
    EXPECT_EQ(second.status, FileStatus::ok);
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
    FileResult r = AppendWhole(file, MakeRecord(" ", "\r\n"));
    file.Close();
    EXPECT_EQ(r.status, FileStatus::ok);
    EXPECT_EQ(r.offset, old.size());
    EXPECT_EQ(ReadBack("a.vendu"), old + "\r\n(%Q%)\r\n \r\n(%A%)\r\n\r\n");
}

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
        FileResult failed;
        bool limited = false;
        {
            // Nothing may print while the limit holds: the output may be a file too.
            test::FileSizeLimit limit(old.size() + room);
            limited = limit.Ok();
            failed = AppendWhole(file, record);
        }
        ASSERT_TRUE(limited);
        EXPECT_EQ(failed.status, FileStatus::writeFailed);
        EXPECT_EQ(failed.offset, old.size());
        EXPECT_EQ(failed.written, room);
        EXPECT_EQ(ReadBack("a.vendu"), old);

        FileResult retried = AppendWhole(file, record);
        file.Close();
        EXPECT_EQ(retried.status, FileStatus::ok);
        EXPECT_EQ(retried.offset, old.size());
        EXPECT_EQ(ReadBack("a.vendu"), old + record);
    }
#endif
}

} // namespace
} // namespace vorna
