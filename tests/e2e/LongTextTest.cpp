// Entries of hostile length through the real Vorna.exe: a megabyte on one line is shown at
// once, found by the clipboard and by a search; a hundred megabytes load and show their first
// megabyte in bounded memory, and what the box shows is copied from it whole.
#include "Driver.h"
#include "Entries.h"
#include "Fixture.h"

#include <gtest/gtest.h>

#include <psapi.h>

#include <functional>
#include <string>

namespace vorna::e2e {
namespace {

constexpr double kShownWithinMs = 3000;

// One line of size bytes of JSON with Chinese in it, ending with word.
std::string OneLine(std::size_t size, const std::string& word) {
    const std::string unit = G("{\"名称\":\"很长的一行\",\"值\":[1,2,3],\"说明\":\"没有换行\"} ");
    std::string line;
    line.reserve(size);
    while (line.size() + unit.size() + word.size() <= size)
        line += unit;
    line.append(size - line.size() - word.size(), 'x');
    return line + word;
}

// Where two long texts first differ, for a failure message that does not print them.
std::string Difference(const std::string& actual, const std::string& expected) {
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    return "lengths " + std::to_string(actual.size()) + " and " + std::to_string(expected.size()) +
           ", first difference at " + std::to_string(at);
}

std::string ClipboardAnsi() {
    std::string text;
    const bool read = WaitUntil([&] {
        if (!OpenClipboard(nullptr))
            return false;
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            text = static_cast<const char*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
        return true;
    });
    if (!read)
        throw DriverError("the clipboard stays open");
    return text;
}

class LongText : public VornaFixture {
protected:
    // Milliseconds from act until the answer box holds text and the window takes messages
    // again.
    double TimeUntilShown(const std::function<void()>& act) {
        const HWND box = app->Control(ctl::kAnswer);
        const double start = NowMs();
        act();
        const bool shown = WaitUntil(
            [&] {
                DWORD_PTR length = 0;
                return SendMessageTimeoutW(box, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 100,
                                           &length) &&
                       length > 1000;
            },
            60000, 5);
        app->Sync();
        return shown ? NowMs() - start : 1e9;
    }
};

TEST_F(LongText, AMegabyteOnOneLineIsShownAtOnceByTheClipboardAndBySearch) {
    const std::string answer = OneLine(1 << 20, "NEEDLE");
    const std::string question = G("一行");
    Start(HandMadeFile({{"short", "a short answer"}, {question, answer}}));

    // The clipboard first: a notice of the clipboard's emptying at the test's start, should it
    // reach the program late, comes before this one.
    const double byClipboard = TimeUntilShown([] { PutClipboardText("NEEDLE"); });
    EXPECT_LT(byClipboard, kShownWithinMs);
    const std::string shown = app->AnswerAnsi();
    EXPECT_TRUE(shown == answer) << Difference(shown, answer);
    // The list line: the form question/answer, cut on a character with "…".
    const std::vector<std::string> lines = app->ResultLinesAnsi();
    ASSERT_EQ(lines.size(), 1u);
    const std::string ellipsis = G("…");
    EXPECT_LE(lines[0].size(), 4096u);
    EXPECT_EQ(lines[0].substr(lines[0].size() - ellipsis.size()), ellipsis);
    const std::string start = lines[0].substr(0, lines[0].size() - ellipsis.size());
    EXPECT_TRUE(start == question + "/" + answer.substr(0, start.size() - question.size() - 1));

    app->Search("short");
    ASSERT_TRUE(WaitUntil([&] { return app->AnswerAnsi() == "a short answer"; }));
    const double bySearch = TimeUntilShown([&] {
        SetTextAnsi(app->Control(ctl::kSearchBox), "NEEDLE");
        Post(app->Control(ctl::kSearch), BM_CLICK);
    });
    EXPECT_LT(bySearch, kShownWithinMs);
    std::printf("a megabyte on one line shown in %.0f ms by a search, %.0f ms by the clipboard\n",
                bySearch, byClipboard);
}

TEST_F(LongText, AHundredMegabytesLoadInBoundedMemoryAndTheBoxShowsAndCopiesTheFirstMegabyte) {
    const std::string answer = OneLine(100 << 20, "END");
    const std::string file = HandMadeFile({{G("巨大"), answer}});
    Start(file);
    app->Search(G("巨大"));
    // Selecting has the box take in all it shows.
    const HWND box = app->Control(ctl::kAnswer);
    Send(box, EM_SETSEL, 0, -1, 60000);

    const std::string shown = app->AnswerAnsi();
    const std::size_t cut = shown.find("\r\n");
    ASSERT_NE(cut, std::string::npos);
    EXPECT_GE(cut, (1u << 20) - 1);
    EXPECT_LE(cut, 1u << 20);
    EXPECT_TRUE(shown.compare(0, cut, answer, 0, cut) == 0);
    EXPECT_EQ(AnsiToUtf8(shown.substr(cut)),
              "\r\n（内容过长，以下还有" + std::to_string(answer.size() - cut) + "字节未显示）");
    // All of the box copied: what it shows, none of the line breaks it lays the text out with.
    Send(box, WM_COPY);
    const std::string copied = ClipboardAnsi();
    EXPECT_TRUE(copied == shown) << Difference(copied, shown);

    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    ASSERT_TRUE(GetProcessMemoryInfo(app->Handle(), &memory, sizeof memory));
    EXPECT_LT(memory.PeakWorkingSetSize, 3 * file.size());
    std::printf("a hundred megabytes: peak working set %.1f MB\n",
                memory.PeakWorkingSetSize / 1048576.0);
}

} // namespace
} // namespace vorna::e2e
