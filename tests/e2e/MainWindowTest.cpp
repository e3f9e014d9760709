// The main window driven through the real Vorna.exe: start-up, search, loading, closing,
// its look and how it moves.
#include "Driver.h"
#include "Fixture.h"
#include "Entries.h"
#include "Expect.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cmath>
#include <memory>
#include <optional>

namespace vorna::e2e {
namespace {

class VornaTest : public VornaFixture {
protected:
    using VornaFixture::Start;
    VornaProcess& Start(const std::vector<TestEntry>& entries) {
        return Start(HandMadeFile(entries));
    }

    // No message box, nor any other dialog besides the main window.
    void ExpectNoMessageBox() {
        app->Sync();
        EXPECT_UTF8_EQ(app->DescribeMessageBoxes(), "");
    }

    // The state right after a search that matched store[indices], in that order.
    void ExpectResults(const std::vector<TestEntry>& store, const std::vector<int>& indices) {
        std::vector<std::string> labels;
        for (int i : indices)
            labels.push_back(Label(store[i]));
        EXPECT_LINES_EQ(app->ResultLinesAnsi(), labels);
        EXPECT_EQ(app->Focus(), app->Control(ctl::kResults));
        if (indices.empty()) {
            EXPECT_EQ(app->ResultSelection(), LB_ERR);
            EXPECT_ANSI_EQ(app->QuestionAnsi(), "");
            EXPECT_ANSI_EQ(app->AnswerAnsi(), "");
        } else {
            EXPECT_EQ(app->ResultSelection(), 0);
            EXPECT_ANSI_EQ(app->QuestionAnsi(), store[indices[0]].question);
            EXPECT_ANSI_EQ(app->AnswerAnsi(), store[indices[0]].answer);
        }
    }

    // Waits until line `line` is selected and its entry is shown, then checks that the
    // answer belongs to the same entry as the question.
    void ExpectSelectedLineShown(int line) {
        const HWND list = app->Control(ctl::kResults);
        ASSERT_TRUE(WaitUntil([&] { return ListSelection(list) == line; }))
            << "selection stays at " << ListSelection(list) << ", not " << line;
        const std::string label = ListLineAnsi(list, line);
        const std::string question = label.substr(0, label.find('/'));
        const std::string answer = label.substr(label.find('/') + 1);
        ASSERT_TRUE(WaitUntil([&] { return app->QuestionAnsi() == question; }))
            << "line " << line << " is " << AnsiToUtf8(label) << " but the question box shows "
            << AnsiToUtf8(app->QuestionAnsi());
        EXPECT_ANSI_EQ(app->AnswerAnsi(), answer) << "question " << AnsiToUtf8(question);
    }

    // Screen point of a position in the main window's dialog units, scaled from the two
    // group boxes 1014 (x 255, width 235) and 1015 (y 50, height 170).
    POINT DialogPoint(double x, double y) const {
        const RECT count = WindowRect(app->Control(ctl::kCountGroup));
        const RECT match = WindowRect(app->Control(ctl::kMatchGroup));
        const double sx = (count.right - count.left) / 235.0;
        const double sy = (match.bottom - match.top) / 170.0;
        return {std::lround(count.left + (x - 255) * sx), std::lround(match.top + (y - 50) * sy)};
    }
};

using StartUp = VornaTest;
using Search = VornaTest;
using Loading = VornaTest;
using Closing = VornaTest;
using Look = VornaTest;
using Movement = VornaTest;
using SearchDuringRepaint = VornaTest;

const std::vector<TestEntry> kThree = {
    {"q one", "a one"}, {"q two", "a two"}, {"q three", "a three"}};

// ---- Start-up

TEST_F(StartUp, WithoutDefaultFileShowsTheTemplateAndNoMessage) {
    Start();
    ExpectNoMessageBox();
    EXPECT_UTF8_EQ(app->CountCaption(), "搜索");
    EXPECT_UTF8_EQ(app->MatchCaption(), "匹配信息");
    EXPECT_LINES_EQ(app->ResultLinesAnsi(), std::vector<std::string>{});
    EXPECT_ANSI_EQ(app->QuestionAnsi(), "");
    EXPECT_ANSI_EQ(app->AnswerAnsi(), "");
    EXPECT_ANSI_EQ(app->KeywordAnsi(), "");

    // A search on the empty store finds nothing and leaves the match caption alone.
    app->Search("q");
    EXPECT_UTF8_EQ(app->MatchCaption(), "匹配信息");
    EXPECT_LINES_EQ(app->ResultLinesAnsi(), std::vector<std::string>{});
}

TEST_F(StartUp, WithDefaultFileShowsItsEntryCount) {
    Start(kThree);
    ExpectNoMessageBox();
    EXPECT_UTF8_EQ(app->CountCaption(), CountSummary(3));
    EXPECT_UTF8_EQ(app->MatchCaption(), "匹配信息");
    EXPECT_LINES_EQ(app->ResultLinesAnsi(), std::vector<std::string>{});
}

TEST_F(StartUp, DefaultFileWithoutEntriesCountsZero) {
    Start(std::string("notes without any marker"));
    ExpectNoMessageBox();
    EXPECT_UTF8_EQ(app->CountCaption(), CountSummary(0));
}

TEST_F(StartUp, CurrentDirectoryLongerThanTheBufferIsSurvived) {
    // 150 Chinese characters: short enough as a wide path, over 260 bytes in code page 936.
    std::wstring deep = folder.Path();
    for (int segment = 0; segment < 3; ++segment) {
        deep += L"\\" + std::wstring(50, L'长');
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr)) << GetLastError();
    }
    ASSERT_GT(WideToAnsi(deep).size(), 260u);
    HANDLE file = CreateFileW((deep + L"\\super.vendu").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::string bytes = HandMadeFile(kThree);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);

    app = std::make_unique<VornaProcess>(deep);
    app->WaitForMainWindow();
    ExpectNoMessageBox();
    // Skipping the default file is as good as loading it right; anything else is not.
    const std::string count = app->CountCaption();
    EXPECT_TRUE(count == "搜索" || count == CountSummary(3)) << count;
}

// ---- Search

// Texts without line breaks, so each entry reads back exactly as written here.
const std::vector<TestEntry> kStore = {
    {"apple pie", "sweet dessert"},                // 0
    {"banana", "a yellow fruit, tastes of apple"}, // 1: "apple" only in the answer
    {"fruit salad", "mixed fruit"},                // 2: "fruit" in both texts
    {"x a b y", "spaced out"},                     // 3
    {"abc", "def"},                                // 4
    {"Apple Inc", "a company"},                    // 5
    {"twin", "same"},                              // 6
    {"twin", "same"},                              // 7: an equal entry is a second line
    {G("中文问题"), G("中文答案")},                // 8
    {G("癮"), G("无")},                            // 9: 癮 is B0 61, its trail byte an 'a'
};

TEST_F(Search, KeywordsFindTheirEntriesInStoreOrder) {
    ASSERT_EQ(Hex(kStore[9].question), "B0 61");
    Start(kStore);
    struct Case {
        std::string keyword;
        std::vector<int> matches;
    };
    const std::vector<Case> cases = {
        {"", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"apple", {0, 1}},
        {"zzz", {}}, // after a search with matches: the boxes are emptied
        {"fruit", {1, 2}},
        {"Apple", {5}},
        {"a b", {3}},
        {" a b ", {3}}, // nothing trimmed, also in the caption
        {"c/d", {}},    // the label's "/" is not searched
        {"twin", {6, 7}},
        {G("问题"), {8}},
        {G("癮"), {9}},
        {"a", {0, 1, 2, 3, 4, 5, 6, 7}}, // not inside 癮
        {"APPLE", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("keyword \"" + AnsiToUtf8(c.keyword) + "\"");
        app->Search(c.keyword);
        ExpectResults(kStore, c.matches);
        EXPECT_ANSI_EQ(GetTextAnsi(app->Control(ctl::kMatchGroup)),
                       MatchSummary(c.keyword, static_cast<int>(c.matches.size())));
        EXPECT_ANSI_EQ(app->KeywordAnsi(), c.keyword);
    }
    EXPECT_UTF8_EQ(app->CountCaption(), CountSummary(10));
}

TEST_F(Search, LabelsAndBoxesKeepTheLineBreaksOfTheFile) {
    Start(WrittenRecord("Q1", "A1") + WrittenRecord("Q2", "A2") + WrittenRecord("Q3", "A3"));
    app->Search("");
    const std::vector<std::string> lines = {"\r\nQ1\r\n/\r\nA1\r\n", "\r\nQ2\r\n/\r\nA2\r\n",
                                            "\r\nQ3\r\n/\r\nA3"};
    EXPECT_LINES_EQ(app->ResultLinesAnsi(), lines);
    EXPECT_ANSI_EQ(app->QuestionAnsi(), "\r\nQ1\r\n");
    EXPECT_ANSI_EQ(app->AnswerAnsi(), "\r\nA1\r\n");
}

TEST_F(Search, ChangingTheSelectionShowsThatMatch) {
    const std::vector<TestEntry> store = {
        {"q0", "a0"}, {"q1", "a1"}, {"q2", "a2"}, {"q3", "a3"}, {"q4", "a4"}};
    Start(store);
    app->Search("q");
    ExpectResults(store, {0, 1, 2, 3, 4});
    app->BringToFront();
    struct Step {
        WORD key;
        int line;
    };
    for (const Step step : {Step{VK_DOWN, 1}, Step{VK_DOWN, 2}, Step{VK_END, 4}, Step{VK_UP, 3},
                            Step{VK_HOME, 0}, Step{VK_UP, 0}}) {
        SCOPED_TRACE("to line " + std::to_string(step.line));
        PressKey(step.key);
        ExpectSelectedLineShown(step.line);
    }
    // A click on a line selects it too.
    MouseClick(ListLinePoint(app->Control(ctl::kResults), 2));
    ExpectSelectedLineShown(2);
    EXPECT_ANSI_EQ(app->QuestionAnsi(), "q2");
}

TEST_F(Search, TypingAKeywordAndEnterSearchesAndTheWindowStays) {
    Start(kStore);
    app->BringToFront();
    ASSERT_EQ(app->Focus(), app->Control(ctl::kSearchBox));
    TypeText(Wide("问题"));
    ASSERT_TRUE(WaitUntil([&] { return app->KeywordAnsi() == G("问题"); }))
        << AnsiToUtf8(app->KeywordAnsi());
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return ListCount(app->Control(ctl::kResults)) == 1; }));
    app->Sync();
    ExpectResults(kStore, {8});
    EXPECT_ANSI_EQ(GetTextAnsi(app->Control(ctl::kMatchGroup)), MatchSummary(G("问题"), 1));
    EXPECT_FALSE(app->HasExited());
    EXPECT_TRUE(IsWindowVisible(app->Main()));

    // Enter again, now from the result list, searches again and still keeps the window.
    PressKey(VK_RETURN);
    app->Sync();
    EXPECT_FALSE(app->HasExited());
    ExpectResults(kStore, {8});
}

// ---- Loading

TEST_F(Loading, AGoodFileReplacesTheStore) {
    Start(kThree);
    const std::vector<TestEntry> five = {
        {"n0", "m0"}, {"n1", "m1"}, {"n2", "m2"}, {"n3", "m3"}, {"n4", "m4"}};
    const std::wstring path = folder.Write(L"other.vendu", HandMadeFile(five));
    // Loading the same file twice gives the same store, not a doubled one.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        app->Load(path);
        ExpectNoMessageBox();
        EXPECT_UTF8_EQ(app->CountCaption(), CountSummary(5));
        app->Search("");
        ExpectResults(five, {0, 1, 2, 3, 4});
    }
}

TEST_F(Loading, AFileWithoutEntriesEmptiesTheStore) {
    Start(kThree);
    app->Search("");
    ExpectResults(kThree, {0, 1, 2});
    app->Load(folder.Write(L"empty.vendu", ""));
    ExpectNoMessageBox();
    EXPECT_UTF8_EQ(app->CountCaption(), CountSummary(0));
    // The next search finds nothing; the match caption keeps the last summary.
    app->Search("q");
    ExpectResults(kThree, {});
    EXPECT_ANSI_EQ(GetTextAnsi(app->Control(ctl::kMatchGroup)), MatchSummary("", 3));
}

TEST_F(Loading, RefusedFilesLeaveTheStoreAsItWas) {
    Start(kThree);
    const std::wstring held = folder.Write(L"held.vendu", HandMadeFile({{"x", "y"}}));
    HeldFile holder(held);
    for (const RefusedFile& c : RefusedFiles(folder.PathOf(L"missing.vendu"), held)) {
        SCOPED_TRACE(c.name);
        app->Load(c.path);
        const HWND box = app->WaitForMessageBox();
        EXPECT_UTF8_EQ(Utf8(VornaProcess::MessageBoxText(box)), c.message);
        EXPECT_EQ(GetText(box), L"Vorna");
        EXPECT_FALSE(VornaProcess::MessageBoxHasIcon(box));
        EXPECT_EQ(GetWindow(box, GW_OWNER), app->Main());
        EXPECT_FALSE(IsWindowEnabled(app->Main()));
        VornaProcess::DismissMessageBox(box);
        ExpectNoMessageBox();
        EXPECT_TRUE(IsWindowEnabled(app->Main()));
        EXPECT_UTF8_EQ(app->CountCaption(), CountSummary(3));
        app->Search("two");
        ExpectResults(kThree, {1});
    }
}

// Controls of the system's file-open dialog.
constexpr int kFileTypeField = 1136;
constexpr int kReadOnlyCheckBox = 1040;

TEST_F(Loading, CancellingTheFileDialogChangesNothing) {
    Start(kThree);
    app->Search("t");
    const std::vector<std::string> lines = app->ResultLinesAnsi();
    const std::string count = app->CountCaption();
    const std::string match = app->MatchCaption();
    const HWND dialog = app->OpenLoadDialog();
    // Owned by the main window, which waits for it, with the one filter and no read-only
    // check box.
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), app->Main());
    EXPECT_FALSE(IsWindowEnabled(app->Main()));
    EXPECT_UTF8_EQ(GetTextUtf8(GetDlgItem(dialog, kFileTypeField)), "辅助文件(*.vendu)");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, kReadOnlyCheckBox)));
    VornaProcess::CancelFileDialog(dialog);
    ExpectNoMessageBox();
    EXPECT_TRUE(IsWindowEnabled(app->Main()));
    EXPECT_LINES_EQ(app->ResultLinesAnsi(), lines);
    EXPECT_UTF8_EQ(app->CountCaption(), count);
    EXPECT_UTF8_EQ(app->MatchCaption(), match);
    EXPECT_ANSI_EQ(app->QuestionAnsi(), "q two");
    EXPECT_ANSI_EQ(app->AnswerAnsi(), "a two");
}

TEST_F(Loading, TheListKeepsItsLinesUntilTheNextSearchAndStaleLinesAreHarmless) {
    const std::vector<TestEntry> five = {
        {"q0", "a0"}, {"q1", "a1"}, {"q2", "a2"}, {"q3", "a3"}, {"q4", "a4"}};
    Start(five);
    app->Search("");
    ExpectResults(five, {0, 1, 2, 3, 4});
    const std::vector<TestEntry> one = {{"new q", "new a"}};
    app->Load(folder.Write(L"one.vendu", HandMadeFile(one)));
    ExpectNoMessageBox();
    EXPECT_UTF8_EQ(app->CountCaption(), CountSummary(1));
    EXPECT_EQ(app->ResultLinesAnsi().size(), 5u);
    EXPECT_ANSI_EQ(GetTextAnsi(app->Control(ctl::kMatchGroup)), MatchSummary("", 5));
    EXPECT_ANSI_EQ(app->QuestionAnsi(), "q0");
    EXPECT_ANSI_EQ(app->AnswerAnsi(), "a0");

    // Picking old lines must not read past the new, smaller store: the boxes show either
    // what they showed, nothing, or one whole entry of the new store.
    const HWND list = app->Control(ctl::kResults);
    app->BringToFront();
    MouseClick(ListLinePoint(list, 1));
    ASSERT_TRUE(WaitUntil([&] { return ListSelection(list) == 1; }));
    for (WORD key : {VK_END, VK_UP, VK_HOME}) {
        PressKey(key);
        const int line = key == VK_END ? 4 : key == VK_UP ? 3 : 0;
        ASSERT_TRUE(WaitUntil([&] { return ListSelection(list) == line; }));
        app->Sync();
        ASSERT_FALSE(app->HasExited());
        const TestEntry shown{app->QuestionAnsi(), app->AnswerAnsi()};
        const bool unchanged = shown.question == "q0" && shown.answer == "a0";
        const bool empty = shown.question.empty() && shown.answer.empty();
        const bool whole = shown.question == one[0].question && shown.answer == one[0].answer;
        EXPECT_TRUE(unchanged || empty || whole)
            << "line " << line << " shows " << shown.question << " / " << shown.answer;
    }

    app->Search("");
    ExpectResults(one, {0});
}

TEST_F(Loading, FileNamesOutsideTheAnsiCodePageLoad) {
    Start();
    const std::vector<std::wstring> names = {L"한국어 노트.vendu", L"ملاحظات.vendu",
                                             L"中文笔记.vendu"};
    int entries = 0;
    for (const std::wstring& name : names) {
        SCOPED_TRACE(Utf8(name));
        ++entries;
        std::vector<TestEntry> store;
        for (int i = 0; i < entries; ++i)
            store.push_back({"q" + std::to_string(i), "a" + std::to_string(i)});
        app->Load(folder.Write(name, HandMadeFile(store)));
        ExpectNoMessageBox();
        EXPECT_UTF8_EQ(app->CountCaption(), CountSummary(entries));
        app->Search("a");
        EXPECT_EQ(app->ResultLinesAnsi().size(), static_cast<std::size_t>(entries));
    }
}

// ---- Closing

TEST_F(Closing, EscEndsTheProgramWhereverTheFocusIs) {
    for (bool afterSearch : {false, true}) {
        SCOPED_TRACE(afterSearch ? "focus in the result list" : "focus in the search box");
        Start(kThree);
        if (afterSearch)
            app->Search("q");
        app->BringToFront();
        PressKey(VK_ESCAPE);
        EXPECT_TRUE(app->WaitForExit()) << "still running after Esc";
    }
}

TEST_F(Closing, WmCloseFromOutsideEndsTheProgram) {
    Start(kThree);
    Post(app->Main(), WM_CLOSE);
    EXPECT_TRUE(app->WaitForExit()) << "still running after WM_CLOSE";
}

// ---- Look

TEST_F(Look, AfterStartUp) {
    Start(kThree);
    const HWND main = app->Main();
    const LONG_PTR style = Style(main);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU)) << std::hex << style;

    // Layered once the first paint asked for a colour; the rest was set before showing.
    ASSERT_TRUE(WaitUntil([&] { return LayeredAlpha(main).has_value(); }));
    EXPECT_EQ(LayeredAlpha(main), BYTE(100));
    const LONG_PTR exStyle = ExStyle(main);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW) << std::hex << exStyle;
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW) << std::hex << exStyle;
    EXPECT_TRUE(IsTopmost(main));

    const SliderState slider = Slider(app->Control(ctl::kSlider));
    EXPECT_EQ(slider.min, 10);
    EXPECT_EQ(slider.max, 255);
    EXPECT_EQ(slider.pos, 100);

    const HWND hotKey = app->Control(ctl::kHotKey);
    EXPECT_EQ(ClassName(hotKey), L"msctls_hotkey32");
    EXPECT_FALSE(IsWindowVisible(hotKey));

    EXPECT_EQ(app->Focus(), app->Control(ctl::kSearchBox));

    // Shown centred in the work area.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const RECT rect = WindowRect(main);
    EXPECT_LE(std::abs((rect.left + rect.right) - (work.left + work.right)), 2);
    EXPECT_LE(std::abs((rect.top + rect.bottom) - (work.top + work.bottom)), 2);
}

TEST_F(Look, TheOpacityFollowsTheSlider) {
    Start(kThree);
    const HWND main = app->Main();
    const HWND slider = app->Control(ctl::kSlider);
    app->BringToFront();
    MouseClick(Centre(slider));
    ASSERT_TRUE(WaitUntil([&] { return app->Focus() == slider; }));
    struct Step {
        WORD key;
        int pos;
    };
    for (const Step step : {Step{VK_HOME, 10}, Step{VK_END, 255}, Step{VK_LEFT, 254},
                            Step{VK_HOME, 10}, Step{VK_RIGHT, 11}}) {
        SCOPED_TRACE("slider at " + std::to_string(step.pos));
        PressKey(step.key);
        ASSERT_TRUE(WaitUntil([&] { return Slider(slider).pos == step.pos; }));
        EXPECT_TRUE(WaitUntil([&] { return LayeredAlpha(main) == BYTE(step.pos); }))
            << "alpha " << static_cast<int>(LayeredAlpha(main).value_or(0));
    }
    // Layering added nothing else: still a topmost tool window without a taskbar button.
    const LONG_PTR exStyle = ExStyle(main);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
}

// ---- Movement

TEST_F(Movement, DraggingAFreeSpotOrAGroupBoxMovesTheWindow) {
    Start(kThree);
    const HWND main = app->Main();
    struct Case {
        const char* name;
        double x, y; // dialog units
        int dx, dy;
    };
    const std::vector<Case> cases = {
        {"the gap between the group boxes", 250, 100, 40, 30},
        {"the match group beside the list", 259, 150, -60, 20},
        {"the result group between the two boxes", 120, 120, 25, -45},
        {"the operations group", 400, 275, -5, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RECT before = WindowRect(main);
        const POINT from = DialogPoint(c.x, c.y);
        // Under Wine the window may lag the mouse by the drag's one-pixel first step.
        const auto movedBy = [&](LONG dx, LONG dy) {
            const RECT now = WindowRect(main);
            return std::abs(now.left - before.left - dx) <= 1 &&
                   std::abs(now.top - before.top - dy) <= 1;
        };
        // The press must have started the system's move of the window before more moves
        // come, and the window must follow each one.
        const auto follows = [&](LONG dx, LONG dy) {
            return (app->ThreadInfo().flags & GUI_INMOVESIZE) && movedBy(dx, dy);
        };
        EXPECT_TRUE(MouseDrag(from, {from.x + c.dx, from.y + c.dy}, 10, follows))
            << "pressed at " << from.x << "," << from.y << "; the window moved by "
            << WindowRect(main).left - before.left << "," << WindowRect(main).top - before.top;
        app->WaitForMouseReleased();
        EXPECT_TRUE(movedBy(c.dx, c.dy));
        const RECT after = WindowRect(main);
        EXPECT_EQ(after.right - after.left, before.right - before.left);
        EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
    }
}

TEST_F(Movement, DraggingOnControlsDoesNotMoveTheWindow) {
    Start(kThree);
    app->Search("q");
    const HWND main = app->Main();
    for (int id : {ctl::kResults, ctl::kQuestion, ctl::kAnswer, ctl::kSearchBox, ctl::kSlider}) {
        SCOPED_TRACE("control " + std::to_string(id));
        const RECT before = WindowRect(main);
        const POINT from = Centre(app->Control(id));
        MouseDrag(from, {from.x + 30, from.y + 8});
        app->WaitForMouseReleased();
        const RECT after = WindowRect(main);
        EXPECT_EQ(after.left, before.left);
        EXPECT_EQ(after.top, before.top);
    }
}

// ---- Repaints during a search

// Colour requests arrive while the list and boxes repaint in the middle of a search or a
// selection change, and each reads every control. The boxes must still show one entry.
TEST_F(SearchDuringRepaint, QuestionAndAnswerAlwaysBelongToTheSameEntry) {
    std::vector<TestEntry> store;
    for (int i = 0; i < 3000; ++i) {
        char number[8];
        std::snprintf(number, sizeof number, "%04d", i);
        // Every other entry is long enough to need the boxes' scroll bars.
        std::string filler = i % 2 ? " short" : "";
        for (int line = 0; i % 2 == 0 && line < 30; ++line)
            filler += "\r\n" + G("第") + std::to_string(line) + G("行 很长的文字");
        store.push_back({"Q" + std::string(number) + filler, "A" + std::string(number) + filler});
    }
    Start(store);
    EXPECT_UTF8_EQ(app->CountCaption(), CountSummary(3000));
    const HWND list = app->Control(ctl::kResults);
    for (const std::string keyword : {"Q", "Q1", "7", "Q2999", ""}) {
        SCOPED_TRACE("keyword \"" + keyword + "\"");
        app->Search(keyword);
        EXPECT_ANSI_EQ(app->KeywordAnsi(), keyword);
        ASSERT_GT(ListCount(list), 0);
        ExpectSelectedLineShown(0);
        app->BringToFront();
        int line = 0;
        const int last = ListCount(list) - 1;
        for (WORD key : {VK_DOWN, VK_DOWN, VK_NEXT, VK_DOWN, VK_END, VK_UP, VK_HOME}) {
            PressKey(key);
            switch (key) {
            case VK_DOWN:
                line = std::min(line + 1, last);
                break;
            case VK_UP:
                line = std::max(line - 1, 0);
                break;
            case VK_END:
                line = last;
                break;
            case VK_HOME:
                line = 0;
                break;
            default: // a page: wherever the list puts it
                ASSERT_TRUE(WaitUntil([&] { return ListSelection(list) > line || line == last; }));
                line = ListSelection(list);
                break;
            }
            ExpectSelectedLineShown(line);
        }
    }
}

} // namespace
} // namespace vorna::e2e
