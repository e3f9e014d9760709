// Rewriting a file through a new one beside it.
#include "io/Rewrite.h"

#include "io/File.h"
#include "tests/io/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vorna {
namespace {

class RewriteTest : public test::ScratchDir {
protected:
    // The names in the scratch folder, to see that no new file is left behind.
    std::size_t FileCount() const {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(m_dir))
            ++n;
        return n;
    }
};

RewriteChange Replace(std::string bytes) {
    return [bytes](const std::string&, std::string& updated) {
        updated = bytes;
        return true;
    };
}

TEST_F(RewriteTest, TheNewBytesReplaceTheOldAndTheBackupKeepsThem) {
    struct Case {
        const char* name;
        bool keepBackup;
        bool change;
        const char* file;
        const char* backup;
    };
    const Case cases[] = {
        {"with a backup", true, true, "new", "old"},
        {"without one", false, true, "new", "older backup"},
        {"nothing to change", true, false, "old", "older backup"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteFile("a.vendu", "old");
        WriteFile("a.vendu.bak", "older backup");
        std::string seen;
        const FileResult r = RewriteFile(path, RewriteOptions{0, c.keepBackup},
                                         [&](const std::string& old, std::string& updated) {
                                             seen = old;
                                             updated = old == "old" ? "new" : "?";
                                             return c.change;
                                         });
        EXPECT_TRUE(r.Ok()) << r.Describe();
        EXPECT_EQ(seen, "old");
        EXPECT_EQ(r.offset, 3u);
        EXPECT_EQ(ReadBack("a.vendu"), c.file);
        EXPECT_EQ(ReadBack("a.vendu.bak"), c.backup);
        EXPECT_EQ(FileCount(), 2u);
    }
    // An empty file and an empty result are files like any other.
    const std::string path = WriteFile("e.vendu", "");
    EXPECT_TRUE(RewriteFile(path, RewriteOptions{}, Replace("x")).Ok());
    EXPECT_TRUE(RewriteFile(path, RewriteOptions{}, Replace("")).Ok());
    EXPECT_EQ(ReadBack("e.vendu"), "");
    EXPECT_EQ(ReadBack("e.vendu.bak"), "x");
}

// Nothing changes while another opener holds the file, whether it reads or writes.
TEST_F(RewriteTest, AHeldFileIsWaitedForThenLeftAlone) {
    const std::string path = WriteFile("a.vendu", "old");
    for (unsigned flags :
         {unsigned(CFile::modeRead | CFile::shareDenyWrite), unsigned(CFile::modeReadWrite)}) {
        FileResult r;
        {
            CFile holder;
            ASSERT_TRUE(holder.Open(path, flags));
            r = RewriteFile(path, RewriteOptions{0.2, true}, Replace("new"));
        }
        EXPECT_EQ(r.status, FileStatus::inUse);
        EXPECT_GE(r.waited, 0.2);
        EXPECT_EQ(ReadBack("a.vendu"), "old");
        EXPECT_FALSE(Exists("a.vendu.bak"));
        EXPECT_EQ(FileCount(), 1u);
    }
    EXPECT_EQ(RewriteFile(PathOf("none.vendu"), RewriteOptions{}, Replace("x")).status,
              FileStatus::missing);
    EXPECT_FALSE(Exists("none.vendu"));
}

// A rename would replace even a read-only file; the rewrite refuses it, as an append does.
TEST_F(RewriteTest, AReadOnlyFileIsRefused) {
#ifndef _WIN32
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write to any file";
#endif
    const std::string path = WriteFile("a.vendu", "old");
    std::filesystem::permissions(m_dir / "a.vendu",
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_EQ(RewriteFile(path, RewriteOptions{}, Replace("new")).status,
              FileStatus::noWritePermission);
    EXPECT_EQ(ReadBack("a.vendu"), "old");
    EXPECT_EQ(FileCount(), 1u);
    std::filesystem::permissions(m_dir / "a.vendu", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
}

#ifndef _WIN32
// A new version that does not fit on the disk, or a backup that cannot take its name, leaves
// the file as it was and no new file beside it.
TEST_F(RewriteTest, AFailedWriteLeavesTheFileUntouched) {
    const std::string old(1000, 'o');
    struct Case {
        bool keepBackup;
        std::size_t limit; // 0: none
        bool backupNameTaken;
        FileStatus status;
    };
    for (const Case& c : {Case{false, 1500, false, FileStatus::tempFailed},
                          Case{true, 1500, false, FileStatus::tempFailed},
                          Case{true, 0, true, FileStatus::backupFailed}}) {
        const std::string path = WriteFile("a.vendu", old);
        if (c.backupNameTaken)
            std::filesystem::create_directory(m_dir / "a.vendu.bak");
        FileResult r;
        {
            test::FileSizeLimit limit(c.limit ? c.limit : RLIM_INFINITY);
            ASSERT_TRUE(limit.Ok());
            r = RewriteFile(path, RewriteOptions{0, c.keepBackup}, Replace(std::string(2000, 'n')));
        }
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.Describe().find("the file is unchanged"), std::string::npos) << r.Describe();
        EXPECT_EQ(ReadBack("a.vendu"), old);
        EXPECT_EQ(FileCount(), c.backupNameTaken ? 2u : 1u);
        std::filesystem::remove(m_dir / "a.vendu.bak");
    }
}

// A program that ignores the lock appends to the file while it is being rewritten: the new
// version ends with what it appended; one that cuts the file makes the rewrite give up.
TEST_F(RewriteTest, AppendsMeanwhileAreKeptAndACutIsLeftAlone) {
    struct Case {
        const char* name;
        bool keepBackup;
        bool cut;
        const char* file;
        const char* appended;
        FileStatus status;
    };
    for (const Case& c :
         {Case{"an append", true, false, "new+more", "+more", FileStatus::ok},
          Case{"without a backup", false, false, "new+more", "+more", FileStatus::ok},
          Case{"a cut", true, true, "ol", "", FileStatus::changedMeanwhile}}) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteFile("a.vendu", "old");
        RewriteOutcome outcome;
        const FileResult r = RewriteFile(
            path, RewriteOptions{0, c.keepBackup},
            [&](const std::string&, std::string& updated) {
                if (c.cut)
                    std::filesystem::resize_file(m_dir / "a.vendu", 2);
                else
                    std::ofstream(m_dir / "a.vendu", std::ios::binary | std::ios::app) << "+more";
                updated = "new";
                return true;
            },
            &outcome);
        EXPECT_EQ(r.status, c.status) << r.Describe();
        EXPECT_EQ(ReadBack("a.vendu"), c.file);
        EXPECT_EQ(outcome.appended, c.appended);
        EXPECT_EQ(FileCount(), c.keepBackup && !c.cut ? 2u : 1u);
        std::filesystem::remove(m_dir / "a.vendu.bak");
    }
}

// The new file keeps the old one's permissions, and a symbolic link keeps pointing at the
// file it named, which is the one rewritten.
TEST_F(RewriteTest, PermissionsAndLinksSurvive) {
    const std::string path = WriteFile("real.vendu", "old");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    std::filesystem::create_symlink("real.vendu", m_dir / "link.vendu");
    ASSERT_TRUE(RewriteFile(PathOf("link.vendu"), RewriteOptions{}, Replace("new")).Ok());
    EXPECT_TRUE(std::filesystem::is_symlink(m_dir / "link.vendu"));
    EXPECT_EQ(ReadBack("real.vendu"), "new");
    EXPECT_EQ(ReadBack("real.vendu.bak"), "old");
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}
#endif

} // namespace
} // namespace vorna
