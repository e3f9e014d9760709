#include "io/File.h"

#include "tests/io/TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorna {
namespace {

class FileTest : public test::ScratchDir {};

TEST_F(FileTest, StatusTellsWhetherSomethingOfThatNameExists) {
    std::string file = WriteFile("a.vendu", "x");
    EXPECT_TRUE(CFile::GetStatus(file));
    EXPECT_TRUE(CFile::GetStatus(m_dir.u8string()));
    EXPECT_FALSE(CFile::GetStatus(PathOf("missing.vendu")));
    EXPECT_FALSE(CFile::GetStatus(""));
}

TEST_F(FileTest, OpenNeverCreatesAMissingFile) {
    for (unsigned flags : {unsigned(CFile::modeRead), unsigned(CFile::modeReadWrite)}) {
        CFile file;
        EXPECT_FALSE(file.Open(PathOf("missing.vendu"), flags));
        EXPECT_FALSE(file.IsOpen());
        EXPECT_TRUE(file.GetFilePath().empty());
        EXPECT_FALSE(Exists("missing.vendu"));
    }
}

TEST_F(FileTest, ReadDeliversAtMostTheAskedCountThenZero) {
    std::string content(100, 'q');
    content[0] = '\0';
    content[99] = '\xB0';
    std::string path = WriteFile("a.vendu", content);
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeRead));
    EXPECT_EQ(file.GetFilePath(), path);
    char buf[80];
    bool failed = true;
    ASSERT_EQ(file.Read(buf, sizeof buf, &failed), 80u);
    EXPECT_FALSE(failed);
    EXPECT_EQ(std::string(buf, 80), content.substr(0, 80));
    ASSERT_EQ(file.Read(buf, sizeof buf, &failed), 20u);
    EXPECT_EQ(std::string(buf, 20), content.substr(80));
    EXPECT_EQ(file.Read(buf, sizeof buf, &failed), 0u);
    EXPECT_FALSE(failed);
}

// A read-only file is read ahead in blocks; any mix of read sizes still gives the bytes in
// order, and a seek to the end drops what was read ahead.
TEST_F(FileTest, ReadsOfAnySizeDeliverTheFileInOrder) {
    std::string content(200001, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 131 % 251);
    std::string path = WriteFile("big.vendu", content);
    for (unsigned mode : {unsigned(CFile::modeRead), unsigned(CFile::modeReadWrite)}) {
        CFile file;
        ASSERT_TRUE(file.Open(path, mode));
        std::string got;
        std::vector<char> buf(100000);
        const std::size_t sizes[] = {80, 1, 70000, 3, 65536, 80};
        for (std::size_t k = 0;; ++k) {
            std::size_t n = file.Read(buf.data(), sizes[k % 6]);
            if (n == 0)
                break;
            ASSERT_LE(n, sizes[k % 6]);
            got.append(buf.data(), n);
        }
        EXPECT_EQ(got, content) << "mode " << mode;
        std::uint64_t length = 0;
        ASSERT_TRUE(file.SeekToEnd(&length));
        EXPECT_EQ(length, content.size());
        EXPECT_EQ(file.Read(buf.data(), 80), 0u);
    }
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeRead));
    char small[80];
    ASSERT_EQ(file.Read(small, sizeof small), 80u);
    std::uint64_t length = 0;
    ASSERT_TRUE(file.SeekToEnd(&length));
    EXPECT_EQ(length, content.size());
    EXPECT_EQ(file.Read(small, sizeof small), 0u);
}

TEST_F(FileTest, ReadOnAClosedFileFailsAndSaysSo) {
    CFile file;
    char buf[4];
    bool failed = false;
    EXPECT_EQ(file.Read(buf, sizeof buf, &failed), 0u);
    EXPECT_TRUE(failed);
    EXPECT_EQ(file.Append("ab", 2), 0u);
    EXPECT_FALSE(file.SeekToEnd());
}

// The sharing rules: readers that share run together; an exclusive open (the program's load,
// a writer) excludes every other. A refused open says the file is in use.
TEST_F(FileTest, ASecondOpenFollowsTheSharingRules) {
    std::string path = WriteFile("a.vendu", "abc");
    const unsigned shared = CFile::modeRead | CFile::shareDenyWrite;
    struct Case {
        unsigned first, second;
        bool opens;
    };
    const Case cases[] = {
        {shared, shared, true},
        {shared, CFile::modeRead, false},
        {shared, CFile::modeReadWrite, false},
        {CFile::modeRead, shared, false},
        {CFile::modeRead, CFile::modeRead, false},
        {CFile::modeRead, CFile::modeReadWrite, false},
        {CFile::modeReadWrite, shared, false},
        {CFile::modeReadWrite, CFile::modeRead, false},
        {CFile::modeReadWrite, CFile::modeReadWrite, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "first " << c.first << ", second " << c.second);
        CFile holder;
        ASSERT_TRUE(holder.Open(path, c.first));
        CFile other;
        FileResult error;
        EXPECT_EQ(other.Open(path, c.second, &error), c.opens);
        EXPECT_EQ(error.status, c.opens ? FileStatus::ok : FileStatus::inUse);
        holder.Close();
        other.Close();
        EXPECT_TRUE(other.Open(path, c.second));
    }
}

// A refused open (a folder, unknown flags, ...) says why, so a user can be told more than
// "cannot be opened".
TEST_F(FileTest, AFailedOpenNamesItsKind) {
    std::string path = WriteFile("a.vendu", "abc");
    struct Case {
        std::string path;
        unsigned flags;
        FileStatus status;
    };
    const Case cases[] = {
        {PathOf("missing.vendu"), CFile::modeRead | CFile::shareDenyWrite, FileStatus::missing},
        {PathOf("missing/a.vendu"), CFile::modeReadWrite, FileStatus::missing},
        {"", CFile::modeRead, FileStatus::missing},
        {m_dir.u8string(), CFile::modeRead | CFile::shareDenyWrite, FileStatus::notPlainFile},
        {m_dir.u8string(), CFile::modeReadWrite, FileStatus::notPlainFile},
        {path, 1, FileStatus::openFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " " + std::to_string(c.flags));
        CFile file;
        FileResult error;
        EXPECT_FALSE(file.Open(c.path, c.flags, &error));
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(error.status, c.status);
        EXPECT_EQ(file.GetLastError().status, c.status);
    }
}

TEST_F(FileTest, DestroyingTheObjectReleasesTheFile) {
    std::string path = WriteFile("a.vendu", "abc");
    {
        CFile holder;
        ASSERT_TRUE(holder.Open(path, CFile::modeReadWrite));
    }
    CFile other;
    EXPECT_TRUE(other.Open(path, CFile::modeRead));
}

TEST_F(FileTest, AFailedOpenLeavesNoFileOpen) {
    std::string path = WriteFile("a.vendu", "abc");
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeRead));
    EXPECT_FALSE(file.Open(PathOf("missing.vendu"), CFile::modeRead));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(file.GetFilePath().empty());
    CFile other;
    EXPECT_TRUE(other.Open(path, CFile::modeRead));
}

TEST_F(FileTest, AppendAtTheEndKeepsWhatWasThere) {
    std::string path = WriteFile("a.vendu", "head");
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeReadWrite));
    std::uint64_t length = 0;
    ASSERT_TRUE(file.GetLength(&length));
    EXPECT_EQ(length, 4u);
    length = 0;
    ASSERT_TRUE(file.SeekToEnd(&length));
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(file.Append("\r\ntail\0!", 8), 8u);
    ASSERT_TRUE(file.GetLength(&length));
    EXPECT_EQ(length, 12u);
    file.Close();
    EXPECT_FALSE(file.GetLength(&length));
    EXPECT_EQ(ReadBack("a.vendu"), std::string("head\r\ntail\0!", 12));
}

TEST_F(FileTest, SetLengthCutsTheFile) {
    std::string path = WriteFile("a.vendu", "head and more");
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeReadWrite));
    ASSERT_TRUE(file.SetLength(4));
    std::uint64_t length = 0;
    ASSERT_TRUE(file.SeekToEnd(&length));
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(file.Append("!", 1), 1u);
    file.Close();
    EXPECT_EQ(ReadBack("a.vendu"), "head!");
}

// Paths are UTF-8, so a name outside the ANSI code page opens too.
TEST_F(FileTest, NamesOutsideTheAnsiCodePageOpen) {
    const std::string name = "\xE7\x9F\xA5\xE8\xAF\x86-\xD0\x96-\xC3\xA9.vendu"; // 知识-Ж-é
    std::string path = WriteFile(name, "abc");
    EXPECT_TRUE(CFile::GetStatus(path));
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeRead));
    char buf[8];
    EXPECT_EQ(file.Read(buf, sizeof buf), 3u);
}

} // namespace
} // namespace vorna
