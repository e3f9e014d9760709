// Timings of the real main window on a big entry file: start-up until the window is shown,
// a search that lists 10^3 matches and the empty keyword that lists every entry, each from
// the click on Search until the first match is shown.
//
//   vorna_e2e_bench [entries] [rounds]      (defaults: 100000 entries, 5 rounds)
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
    std::vector<double> ms;

    double Min() const { return *std::min_element(ms.begin(), ms.end()); }
    double Max() const { return *std::max_element(ms.begin(), ms.end()); }
    double Median() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

void Report(const char* what, const Figures& f, double targetMs) {
    std::printf("%-44s median %8.1f ms  min %8.1f  max %8.1f  (target <= %.0f ms: %s)\n", what,
                f.Median(), f.Min(), f.Max(), targetMs, f.Median() <= targetMs ? "met" : "MISSED");
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

// Presses Search with the mouse and returns the milliseconds until the question box shows
// expected (empty when nothing matches).
double TimeSearch(const VornaProcess& app, const std::string& keyword,
                  const std::string& expected) {
    SetTextAnsi(app.Control(ctl::kSearchBox), keyword);
    const HWND question = app.Control(ctl::kQuestion);
    if (GetTextAnsi(question) == expected)
        throw DriverError("the question box shows the expected text before the search");
    app.BringToFront();
    MouseMove(Centre(app.Control(ctl::kSearch)));
    const double start = NowMs();
    MouseButton(true);
    MouseButton(false);
    if (!WaitUntil([&] { return GetTextAnsi(question) == expected; }, 60000, 0))
        throw DriverError("the first match was not shown");
    return NowMs() - start;
}

// Clicks line 1 of the result list and returns the milliseconds until the question box
// shows expected: the input and repaint cost every timing above includes.
double TimeSelectionClick(const VornaProcess& app, const std::string& expected) {
    const HWND list = app.Control(ctl::kResults);
    const HWND question = app.Control(ctl::kQuestion);
    const auto height = static_cast<LONG>(Send(list, LB_GETITEMHEIGHT, 0));
    const auto top = static_cast<LONG>(Send(list, LB_GETTOPINDEX));
    POINT point{20, (1 - top) * height + height / 2};
    ClientToScreen(list, &point);
    app.BringToFront();
    MouseMove(point);
    const double start = NowMs();
    MouseButton(true);
    MouseButton(false);
    if (!WaitUntil([&] { return GetTextAnsi(question) == expected; }, 60000, 0))
        throw DriverError("the clicked line was not shown");
    return NowMs() - start;
}

} // namespace

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::string token = "KWTHOUSAND";
    try {
        TempFolder folder;
        std::string file;
        for (int i = 0; i < entries; ++i) {
            const TestEntry entry = MakeEntry(i, token);
            file += WrittenRecord(entry.question, entry.answer);
        }
        folder.Write(L"super.vendu", file);
        std::printf("entry file: %d entries, %zu bytes\n", entries, file.size());
        const std::string expectedCount = "搜索：" + std::to_string(entries) + "条结果";

        Figures startUp;
        for (int r = 0; r < rounds; ++r) {
            VornaProcess app(folder.Path());
            app.WaitForMainWindow(60000);
            startUp.ms.push_back(NowMs() - app.StartedAtMs());
            if (app.CountCaption() != expectedCount)
                throw DriverError("count caption " + app.CountCaption());
            Post(app.Main(), WM_CLOSE);
            if (!app.WaitForExit())
                throw DriverError("the program did not end on WM_CLOSE");
        }

        VornaProcess app(folder.Path());
        app.WaitForMainWindow(60000);
        // The first match of the rare token is entry 50; of the empty keyword, entry 0.
        const std::string first50 = "\r\n" + MakeEntry(50, token).question + "\r\n";
        const std::string first0 = "\r\n" + MakeEntry(0, token).question + "\r\n";
        const int thousand = (entries + 49) / 100;
        Figures rare;
        Figures all;
        Figures none;
        Figures click;
        for (int r = 0; r < rounds; ++r) {
            rare.ms.push_back(TimeSearch(app, token, first50));
            if (ListCount(app.Control(ctl::kResults)) != thousand)
                throw DriverError("the token search listed " +
                                  std::to_string(ListCount(app.Control(ctl::kResults))));
            // The scan of the whole store with an empty result, as a reference.
            none.ms.push_back(TimeSearch(app, "NOWHERE", ""));
            all.ms.push_back(TimeSearch(app, "", first0));
            if (ListCount(app.Control(ctl::kResults)) != entries)
                throw DriverError("the empty keyword listed " +
                                  std::to_string(ListCount(app.Control(ctl::kResults))));
            click.ms.push_back(
                TimeSelectionClick(app, "\r\n" + MakeEntry(1, token).question + "\r\n"));
        }

        std::printf("%d rounds each\n", rounds);
        Report("start-up to the window shown", startUp, 1500);
        Report("click on a result line (reference)", click, 50);
        Report("search without a match (reference)", none, 50);
        Report(("search listing " + std::to_string(thousand) + " matches").c_str(), rare, 50);
        Report(("empty keyword listing all " + std::to_string(entries)).c_str(), all, 1000);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "benchmark failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
