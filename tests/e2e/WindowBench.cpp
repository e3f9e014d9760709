// Timings of the real main window on a big entry file: start-up until the window is shown,
// a search that lists 10^3 matches and the empty keyword that lists every entry, each from
// the click on Search until the first match is shown. Two references show what the input
// path and a search without matches cost on the same machine.
//
//   vorna_e2e_bench [entries] [rounds]      (defaults: 100000 entries, 10 rounds)
#include "Driver.h"
#include "Entries.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace vorna::e2e;

namespace {

struct Figures {
    std::vector<double> wallMs;

    void Add(double wall) { wallMs.push_back(wall); }
    double Median() const {
        std::vector<double> sorted = wallMs;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
    double Min() const { return *std::min_element(wallMs.begin(), wallMs.end()); }
    double Max() const { return *std::max_element(wallMs.begin(), wallMs.end()); }
};

void Report(const char* what, const Figures& f, double targetMs) {
    std::printf("| %s | %.0f | %.1f | %.1f | %.1f | %s |\n", what, targetMs, f.Median(), f.Min(),
                f.Max(), f.Median() <= targetMs ? "met" : "missed");
}

// Question i and answer i. Every hundredth entry (i % 100 == 50) holds the rare token.
TestEntry MakeEntry(int i, const std::string& token) {
    // About 100 bytes a record, so 10^5 entries make about 10 MB.
    static const std::string questionText = Ansi("：这是一条测量速度用的示例问题文本");
    static const std::string answerText = Ansi("：这是对应的示例回答的内容。");
    char number[16];
    std::snprintf(number, sizeof number, "%06d", i);
    TestEntry entry{Ansi("问题") + number + questionText, Ansi("回答") + number + answerText};
    if (i % 100 == 50)
        entry.answer += token;
    return entry;
}

// Clicks at point and adds the time until the question box shows expected.
void TimeClick(const VornaProcess& app, POINT point, const std::string& expected, Figures& f) {
    const HWND question = app.Control(ctl::kQuestion);
    if (GetTextAnsi(question) == expected)
        throw DriverError("the question box shows the expected text before the click");
    // The system sends a press to the window holding the mouse capture at that moment; the
    // list holds it until it has handled the release of the previous click.
    app.WaitForMouseReleased();
    app.BringToFront();
    MouseMove(point);
    const double start = NowMs();
    MouseButton(true);
    MouseButton(false);
    if (!WaitUntil([&] { return GetTextAnsi(question) == expected; }, 60000, 1))
        throw DriverError("the question box shows " + AnsiToUtf8(GetTextAnsi(question)) +
                          " instead of " + AnsiToUtf8(expected));
    f.Add(NowMs() - start);
}

// Types nothing: the keyword goes in directly, only the click on Search is timed.
void TimeSearch(const VornaProcess& app, const std::string& keyword, const std::string& expected,
                Figures& f) {
    SetTextAnsi(app.Control(ctl::kSearchBox), keyword);
    TimeClick(app, Centre(app.Control(ctl::kSearch)), expected, f);
}

void ExpectLines(const VornaProcess& app, int count) {
    const int listed = ListCount(app.Control(ctl::kResults));
    if (listed != count)
        throw DriverError("the list has " + std::to_string(listed) + " lines, not " +
                          std::to_string(count));
}

} // namespace

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 10;
    const std::string token = "KWTHOUSAND";
    try {
        TempFolder folder;
        std::string file;
        for (int i = 0; i < entries; ++i) {
            const TestEntry entry = MakeEntry(i, token);
            file += WrittenRecord(entry.question, entry.answer);
        }
        folder.Write(L"super.vendu", file);
        const std::string expectedCount = "搜索：" + std::to_string(entries) + "条结果";

        Figures startUp;
        for (int r = 0; r < rounds; ++r) {
            VornaProcess app(folder.Path());
            app.WaitForMainWindow(60000);
            startUp.Add(NowMs() - app.StartedAtMs());
            if (app.CountCaption() != expectedCount)
                throw DriverError("count caption " + app.CountCaption());
            Post(app.Main(), WM_CLOSE);
            if (!app.WaitForExit())
                throw DriverError("the program did not end on WM_CLOSE");
        }

        VornaProcess app(folder.Path());
        app.WaitForMainWindow(60000);
        // The first match of the rare token is entry 50; of the empty keyword, entry 0.
        const auto shown = [&](int i) { return "\r\n" + MakeEntry(i, token).question + "\r\n"; };
        const int thousand = (entries + 49) / 100;
        Figures rare, none, all, click;
        for (int r = 0; r < rounds; ++r) {
            TimeSearch(app, "", shown(0), all);
            ExpectLines(app, entries);
            TimeClick(app, ListLinePoint(app.Control(ctl::kResults), 1), shown(1), click);
            // Clears the list of all entries first.
            TimeSearch(app, "NOWHERE", "", none);
            ExpectLines(app, 0);
            TimeSearch(app, token, shown(50), rare);
            ExpectLines(app, thousand);
        }

        std::printf("entry file: %d entries, %zu bytes; %d rounds each\n\n", entries, file.size(),
                    rounds);
        std::printf("| what | target ms | median ms | min ms | max ms | median within target |\n"
                    "|---|---:|---:|---:|---:|---|\n");
        Report("start-up to the window shown", startUp, 1500);
        Report(("search listing " + std::to_string(thousand) + " matches").c_str(), rare, 50);
        Report(("empty keyword listing all " + std::to_string(entries)).c_str(), all, 1000);
        Report("search without a match, after listing all (reference)", none, 50);
        Report("click on a result line (reference)", click, 50);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "benchmark failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
