#include "io/Read.h"

#include "knowledge/EntryFile.h"
#include "knowledge/EntrySpans.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <cstdio>
#include <random>
#include <thread>

namespace vorna {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

void Collect(std::string_view text, Entries& out) {
    for (const EntrySpan& span : ScanEntrySpans(text)) {
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
        : m_path(testing::TempDir() + "vorna_read_test.vendu") {
        FILE* f = std::fopen(m_path.c_str(), "wb");
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
    ~TempFile() { std::remove(m_path.c_str()); }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

const Opening kShared{CFile::modeRead | CFile::shareDenyWrite, 5};

// Markers split across reads, or across views of the file where the system maps files, in
// every possible way must not change a single entry.
TEST(ForEachWindow, GivesTheReadersEntriesWhateverTheReadSize) {
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
            for (std::size_t viewSize : {std::size_t{0}, readSize}) {
                Entries got;
                std::size_t windows = 0;
                ASSERT_EQ(ForEachWindow(
                              file.Path(), kShared, kQuestionMarker, readSize,
                              [&](std::string_view window) {
                                  ++windows;
                                  EXPECT_EQ(window.substr(0, 5), kQuestionMarker);
                                  Collect(window, got);
                              },
                              viewSize)
                              .status,
                          FileStatus::ok);
                ASSERT_EQ(got, want) << "read size " << readSize << ", view size " << viewSize
                                     << ", content " << content;
                if (content.find(kQuestionMarker) == std::string::npos) {
                    EXPECT_EQ(windows, 0u);
                }
            }
            // With the preamble the windows are the whole file, in order, each where its
            // offset says; preamble pieces end with a line feed, at the first question
            // marker or at the end; only the file's end is marked last.
            WindowReading reading;
            reading.readSize = readSize;
            reading.preamble = true;
            std::string whole;
            bool ended = false;
            ASSERT_TRUE(
                ForEachWindow(file.Path(), kShared, kQuestionMarker, reading, [&](const Window& w) {
                    ASSERT_FALSE(ended);
                    ASSERT_EQ(w.offset, whole.size());
                    whole += w.bytes;
                    ended = w.last;
                    const bool atMarker = content.compare(whole.size(), 5, kQuestionMarker) == 0;
                    if (w.preamble)
                        EXPECT_TRUE(w.last || w.bytes.back() == '\n' || atMarker);
                    else
                        EXPECT_EQ(w.bytes.substr(0, 5), kQuestionMarker);
                }).Ok());
            ASSERT_EQ(whole, content) << "read size " << readSize;
            EXPECT_EQ(ended, !content.empty());
        }
    }
}

#ifndef _WIN32
// A program that ignores the sharing rules cuts the file short while a view of it is read:
// the lost bytes read as zeros instead of ending the process, and the read fails.
TEST(ForEachWindow, AFileCutShortUnderAViewFailsTheRead) {
    std::string content;
    while (content.size() < 3 * 65536)
        content += "(%Q%)question(%A%)answer\r\n";
    const TempFile file(content);
    std::size_t zeros = 0;
    const FileResult result = ForEachWindow(
        file.Path(), kShared, kQuestionMarker, 4096,
        [&](std::string_view window) {
            std::filesystem::resize_file(file.Path(), 100);
            zeros += static_cast<std::size_t>(std::count(window.begin(), window.end(), '\0'));
        },
        1 << 20);
    EXPECT_EQ(result.status, FileStatus::readFailed);
    EXPECT_GT(zeros, 0u);
}
#endif

TEST(ReadWholeFile, ReadsEveryByteAndNamesWhatFails) {
    std::string content(300000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7);
    const TempFile file(content);
    std::string read;
    ASSERT_TRUE(ReadWholeFile(file.Path(), kShared, read, 256 * 1024).Ok());
    EXPECT_EQ(read, content);
    EXPECT_EQ(ReadWholeFile(file.Path() + ".missing", kShared, read, 80).Describe(),
              "no such file");
    EXPECT_EQ(ForEachWindow(file.Path() + ".missing", kShared, kQuestionMarker, 16,
                            [](std::string_view) {})
                  .Describe(),
              "no such file");
}

// A file held by another opener is waited for as long as asked, and no longer; readers share.
TEST(OpenFile, WaitsForABusyFileAsLongAsAsked) {
    const TempFile file("x");
    const unsigned shared = CFile::modeRead | CFile::shareDenyWrite;
    const unsigned append = CFile::modeReadWrite;
    struct Case {
        unsigned holder;
        unsigned flags;
        double wait;
        int releaseAfterMs; // -1: held throughout
        bool opens;
    };
    const Case cases[] = {
        {shared, shared, 0, -1, true},
        {CFile::modeRead, shared, 0, -1, false},
        {shared, append, 0.3, -1, false},
        {CFile::modeReadWrite, append, 5, 100, true},
        {CFile::modeReadWrite, shared, 5, 100, true},
    };
    using Clock = std::chrono::steady_clock;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "holder " << c.holder << ", wait " << c.wait);
        CFile holder;
        ASSERT_TRUE(holder.Open(file.Path(), c.holder));
        std::thread release;
        if (c.releaseAfterMs >= 0)
            release = std::thread([&holder, &c] {
                std::this_thread::sleep_for(std::chrono::milliseconds(c.releaseAfterMs));
                holder.Close();
            });
        const Clock::time_point start = Clock::now();
        CFile opened;
        const FileResult outcome = OpenFile(opened, file.Path(), Opening{c.flags, c.wait});
        const double took = std::chrono::duration<double>(Clock::now() - start).count();
        if (release.joinable())
            release.join();
        EXPECT_EQ(outcome.Ok(), c.opens) << outcome.Describe();
        EXPECT_EQ(opened.IsOpen(), c.opens);
        if (!c.opens) {
            EXPECT_EQ(outcome.status, FileStatus::inUse);
            EXPECT_EQ(outcome.Describe().rfind("in use by another program", 0), 0u);
            EXPECT_GE(took, c.wait);
            EXPECT_LT(took, c.wait + 1.5);
        }
    }
}

} // namespace
} // namespace vorna
