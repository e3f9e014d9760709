#include "tools/vendu/FileIo.h"

#include "knowledge/Diagnostics.h"
#include "knowledge/EntryAppend.h"
#include "knowledge/EntryFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

namespace vendu {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

void Collect(std::string_view text, Entries& out) {
    for (const vorna::EntrySpan& span : vorna::ScanEntrySpans(text)) {
        if (span.Kept()) {
            out.emplace_back(
                text.substr(span.QuestionBegin(), span.answerMarker - span.QuestionBegin()),
                text.substr(span.AnswerBegin(), span.next - span.AnswerBegin()));
        }
    }
}

class TempFile {
public:
    explicit TempFile(const std::string& content)
        : m_path(testing::TempDir() + "vendu_fileio_test.vendu") {
        FILE* f = std::fopen(m_path.c_str(), "wb");
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
    ~TempFile() { std::remove(m_path.c_str()); }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Markers split across reads in every possible way must not change a single entry.
TEST(ForEachEntryWindow, GivesTheReadersEntriesWhateverTheReadSize) {
    const std::vector<std::string> pieces = {"(%Q%)", "(%A%)", "(%", "Q%)", "%A", "x",
                                             "\r\n",  "(",     "%",  "Q",   "yz", "(%Q%"};
    std::mt19937 rng(99);
    for (int round = 0; round < 300; ++round) {
        std::string content;
        const int count = static_cast<int>(rng() % 25);
        for (int k = 0; k < count; ++k)
            content += pieces[rng() % pieces.size()];
        Entries want;
        Collect(content, want);
        const TempFile file(content);
        for (std::size_t readSize : {1, 2, 3, 4, 5, 6, 7, 11, 64}) {
            Entries got;
            std::size_t windows = 0;
            ASSERT_EQ(ForEachEntryWindow(file.Path(), readSize,
                                         [&](std::string_view window) {
                                             ++windows;
                                             EXPECT_EQ(window.substr(0, 5), vorna::kQuestionMarker);
                                             Collect(window, got);
                                         })
                          .status,
                      FileStatus::ok);
            ASSERT_EQ(got, want) << "read size " << readSize << ", content " << content;
            if (content.find(vorna::kQuestionMarker) == std::string::npos) {
                EXPECT_EQ(windows, 0u);
            }
        }
    }
}

TEST(ReadWholeFile, ReadsEveryByteAndNamesWhatFails) {
    std::string content(300000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7);
    const TempFile file(content);
    std::string read;
    ASSERT_TRUE(ReadWholeFile(file.Path(), read).Ok());
    EXPECT_EQ(read, content);
    EXPECT_EQ(Describe(ReadWholeFile(file.Path() + ".missing", read)), "no such file");
    EXPECT_EQ(Describe(ForEachEntryWindow(file.Path() + ".missing", 16, [](std::string_view) {})),
              "no such file");
}

TEST(AppendWhole, AppendsAtTheEndInOneGo) {
    const TempFile file("before");
    vorna::CFile target;
    ASSERT_TRUE(target.Open(file.Path(), vorna::CFile::modeReadWrite));
    const vorna::AppendResult result = vorna::AppendWhole(target, "after");
    EXPECT_EQ(result.status, vorna::AppendStatus::appended);
    EXPECT_EQ(result.offset, 6u);
    EXPECT_EQ(result.bytesWritten, 5u);
    target.Close();
    std::string read;
    ASSERT_TRUE(ReadWholeFile(file.Path(), read).Ok());
    EXPECT_EQ(read, "beforeafter");
}

// A file held by another opener is waited for as long as asked, and no longer; readers share.
TEST(OpenEntryFile, WaitsForABusyFileAsLongAsAsked) {
    const TempFile file("x");
    const unsigned shared = vorna::CFile::modeRead | vorna::CFile::shareDenyWrite;
    struct Case {
        unsigned holder;
        Access access;
        double wait;
        int releaseAfterMs; // -1: held throughout
        bool opens;
    };
    const Case cases[] = {
        {shared, Access::read, 0, -1, true},
        {vorna::CFile::modeRead, Access::read, 0, -1, false},
        {shared, Access::append, 0.3, -1, false},
        {vorna::CFile::modeReadWrite, Access::append, 5, 100, true},
        {vorna::CFile::modeReadWrite, Access::read, 5, 100, true},
    };
    using Clock = std::chrono::steady_clock;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "holder " << c.holder << ", wait " << c.wait);
        vorna::CFile holder;
        ASSERT_TRUE(holder.Open(file.Path(), c.holder));
        std::thread release;
        if (c.releaseAfterMs >= 0)
            release = std::thread([&holder, &c] {
                std::this_thread::sleep_for(std::chrono::milliseconds(c.releaseAfterMs));
                holder.Close();
            });
        const Clock::time_point start = Clock::now();
        vorna::CFile opened;
        const FileOutcome outcome = OpenEntryFile(file.Path(), c.access, c.wait, opened);
        const double took = std::chrono::duration<double>(Clock::now() - start).count();
        if (release.joinable())
            release.join();
        EXPECT_EQ(outcome.Ok(), c.opens) << Describe(outcome);
        EXPECT_EQ(opened.IsOpen(), c.opens);
        if (!c.opens) {
            EXPECT_EQ(outcome.error.kind, vorna::FileErrorKind::inUse);
            EXPECT_EQ(Describe(outcome).rfind("in use by another program", 0), 0u);
            EXPECT_GE(took, c.wait);
            EXPECT_LT(took, c.wait + 1.5);
        }
    }
}

} // namespace
} // namespace vendu
