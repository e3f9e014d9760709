// The global hotkeys, show/hide and the clipboard watch, driven through the real Vorna.exe:
// real key presses reach the hotkeys, the test copies text as any program would, and
// viewers of the test's own watch the clipboard viewer chain around the program.
#include "ClipboardChain.h"
#include "Driver.h"
#include "Fixture.h"
#include "Entries.h"
#include "Expect.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vorna::e2e {
namespace {

const std::vector<TestEntry>& Store() {
    static const std::vector<TestEntry> store = {
        {"apple pie", "sweet"},
        {"candy", "very sweet"},
        {"banana", "yellow"},
        {G("剪贴板"), G("复制的文字")},
    };
    return store;
}

// Waits answering what the program sends to the test's windows meanwhile: activating its
// window, the program waits for the one it deactivates.
bool Wait(const std::function<bool()>& cond) {
    return WaitUntil([&] {
        AnswerSentMessages();
        return cond();
    });
}

// Registers Ctrl + vk for the test's own window, presses it and waits until the window has
// received it: proof that the press went through the system's hotkeys and that the program
// does not hold the combination.
bool PressOwnHotkey(OwnWindow& own, WORD vk) {
    constexpr int id = 1;
    if (!RegisterHotKey(own.Handle(), id, MOD_CONTROL, vk))
        return false;
    own.BringToFront();
    PressChord(VK_CONTROL, vk);
    const bool received = WaitUntil([&] {
        MSG msg;
        while (PeekMessageW(&msg, own.Handle(), WM_HOTKEY, WM_HOTKEY, PM_REMOVE)) {
            if (msg.wParam == id)
                return true;
        }
        return false;
    });
    UnregisterHotKey(own.Handle(), id);
    return received;
}

class HotkeyClipboardTest : public VornaFixture {
protected:
    // A viewer of the test's own joins the chain before each program starts.
    void SetUp() override {
        VornaFixture::SetUp();
        viewer = std::make_unique<ClipboardViewer>();
    }

    VornaProcess& Start() { return VornaFixture::Start(HandMadeFile(Store())); }

    // Changes the clipboard and waits until the notice has passed through the program. The
    // program hands it on to the viewer behind it as its last step, so whatever it does with
    // the change is done then.
    void Copy(const std::function<void()>& change) {
        const int before = viewer->Notices();
        change();
        ASSERT_TRUE(viewer->WaitForNotices(before + 1))
            << "the clipboard notice did not come through the program";
    }
    void CopyText(std::string_view ansi) {
        Copy([&] { PutClipboardText(ansi); });
    }

    void PressShowHide() { own.PressHotkey(VK_CONTROL, VK_NUMPAD1); }

    testing::AssertionResult WaitShown(bool shown) {
        if (Wait([&] { return (IsWindowVisible(app->Main()) != 0) == shown; }))
            return testing::AssertionSuccess();
        return testing::AssertionFailure()
               << "the window stays " << (shown ? "hidden" : "shown") << "; foreground "
               << GetForegroundWindow() << " (main window " << app->Main() << ", test's "
               << own.Handle() << ")" << app->DescribeMessageBoxes();
    }

    bool WaitForExit(VornaProcess& process) {
        return Wait([&] { return process.HasExited(); });
    }

    // What a search for keyword shows when it matched the entries at indices.
    void ExpectSearched(std::string_view keyword, const std::vector<int>& indices) {
        std::vector<std::string> labels;
        for (int i : indices)
            labels.push_back(Label(Store()[i]));
        EXPECT_PRED_FORMAT2(SameAnsi, app->KeywordAnsi(), std::string(keyword));
        EXPECT_PRED_FORMAT2(SameAnsiLines, app->ResultLinesAnsi(), labels);
        EXPECT_PRED_FORMAT2(SameAnsi, G(app->MatchCaption()),
                            MatchSummary(keyword, static_cast<int>(indices.size())));
        EXPECT_EQ(app->Focus(), app->Control(ctl::kResults));
        if (indices.empty()) {
            EXPECT_PRED_FORMAT2(SameAnsi, app->QuestionAnsi(), "");
            EXPECT_PRED_FORMAT2(SameAnsi, app->AnswerAnsi(), "");
        } else {
            EXPECT_EQ(app->ResultSelection(), 0);
            EXPECT_PRED_FORMAT2(SameAnsi, app->QuestionAnsi(), Store()[indices[0]].question);
            EXPECT_PRED_FORMAT2(SameAnsi, app->AnswerAnsi(), Store()[indices[0]].answer);
        }
    }

    OwnWindow own;
    std::unique_ptr<ClipboardViewer> viewer;
};

// ---- The clipboard watch

TEST_F(HotkeyClipboardTest, CopiedTextIsSearchedWhileShown) {
    Start();
    struct Case {
        std::string text;
        std::vector<int> matches;
    } cases[] = {
        {"banana", {2}},  {"sweet", {0, 1}}, {"e", {0, 1, 2}}, {" pie", {0}},
        {G("剪贴"), {3}}, {"zzz", {}},       {"Banana", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(AnsiToUtf8(c.text));
        CopyText(c.text);
        ExpectSearched(c.text, c.matches);
    }
}

TEST_F(HotkeyClipboardTest, StartsWithAnEmptySearchBoxWhateverTheClipboardHolds) {
    // The notice that comes while the window joins the chain, before it is shown, is only
    // passed on: the text already on the clipboard is not taken.
    PutClipboardText("banana");
    Start();
    EXPECT_EQ(app->KeywordAnsi(), "");
    EXPECT_EQ(app->ResultLinesAnsi(), std::vector<std::string>{});
    EXPECT_EQ(app->MatchCaption(), "匹配信息");

    CopyText("banana");
    ExpectSearched("banana", {2});
}

TEST_F(HotkeyClipboardTest, ABitmapEmptiesTheSearchBoxAndSearchesForEverything) {
    Start();
    CopyText("banana");
    ExpectSearched("banana", {2});

    Copy([] { PutClipboardBitmap(); });
    ExpectSearched("", {0, 1, 2, 3});

    CopyText("candy");
    Copy([] { EmptyClipboardNow(); });
    ExpectSearched("", {0, 1, 2, 3});
}

TEST_F(HotkeyClipboardTest, TextCopiedOutOfTheProgramsOwnBoxesIsSearched) {
    Start();
    CopyText("apple");
    ExpectSearched("apple", {0});

    // All of the answer box.
    const HWND answer = app->Control(ctl::kAnswer);
    Copy([&] {
        Send(answer, EM_SETSEL, 0, -1);
        Send(answer, WM_COPY);
    });
    ExpectSearched("sweet", {0, 1});

    // A part of the question box.
    const HWND question = app->Control(ctl::kQuestion);
    Copy([&] {
        Send(question, EM_SETSEL, 6, 9);
        Send(question, WM_COPY);
    });
    ExpectSearched("pie", {0});
}

TEST_F(HotkeyClipboardTest, TextCopiedWhileHiddenIsNotTakenAlsoAfterShowingAgain) {
    Start();
    CopyText("banana");
    ExpectSearched("banana", {2});

    PressShowHide();
    ASSERT_TRUE(WaitShown(false));
    CopyText("sweet");
    Copy([] { PutClipboardBitmap(); });
    PressShowHide();
    ASSERT_TRUE(WaitShown(true));
    app->Sync();
    EXPECT_EQ(app->KeywordAnsi(), "banana");
    EXPECT_EQ(app->ResultLinesAnsi(), std::vector<std::string>{Label(Store()[2])});
    EXPECT_EQ(app->QuestionAnsi(), "banana");

    // The next change is taken again.
    CopyText("candy");
    ExpectSearched("candy", {1});
}

TEST_F(HotkeyClipboardTest, AClipboardHeldOpenByAnotherProgramIsPassedOverWithoutWaiting) {
    Start();
    CopyText("banana");
    {
        HeldClipboard held(own.Handle());
        // A notice while another program has the clipboard open: the program cannot read
        // it and must neither wait for it nor keep the notice from the viewer behind it.
        const int before = viewer->Notices();
        Send(app->Main(), WM_DRAWCLIPBOARD);
        EXPECT_EQ(viewer->Notices(), before + 1);
        EXPECT_EQ(app->KeywordAnsi(), "banana");
    }
    // Nothing is read later either.
    app->Sync();
    EXPECT_EQ(app->KeywordAnsi(), "banana");
    CopyText("candy");
    ExpectSearched("candy", {1});
}

TEST_F(HotkeyClipboardTest, TextWithoutATerminatingZeroIsTakenNoFurtherThanItsBlock) {
    Start();
    // Under Wine the system ends such a block with a zero of its own, in its last byte;
    // elsewhere the block reaches the program as it is. Either way the keyword holds the
    // block's bytes as delivered, and nothing from beyond the block.
    const std::string block = "abcdefgh";
    Copy([&] { PutClipboardBlock(block); });
    const std::string delivered = ClipboardTextAsDelivered();
    ASSERT_FALSE(delivered.empty());
    ASSERT_EQ(block.compare(0, delivered.size(), delivered), 0) << Hex(delivered);
    EXPECT_EQ(app->KeywordAnsi(), delivered) << Hex(app->KeywordAnsi());
}

// ---- Hotkeys and show/hide

TEST_F(HotkeyClipboardTest, CtrlNumpad1HidesAndShowsAgainActiveAndOnTop) {
    Start();
    const HWND main = app->Main();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        PressShowHide();
        ASSERT_TRUE(WaitShown(false));
        PressShowHide();
        ASSERT_TRUE(WaitShown(true));
        EXPECT_TRUE(Wait([&] { return GetForegroundWindow() == main; }))
            << "the shown window is not in the foreground";
        EXPECT_EQ(app->ThreadInfo().hwndActive, main);
        EXPECT_TRUE(IsTopmost(main));
    }
    // Shown again, the clipboard watch is on again.
    CopyText("candy");
    ExpectSearched("candy", {1});
}

TEST_F(HotkeyClipboardTest, TheHideButtonHidesAndOnlyTheHotkeyBringsTheWindowBack) {
    Start();
    Send(app->Control(ctl::kHide), BM_CLICK);
    ASSERT_TRUE(WaitShown(false));

    // A copy, and keys that are not the hotkey, leave it hidden.
    CopyText("banana");
    EXPECT_TRUE(PressOwnHotkey(own, '1'));
    app->Sync();
    EXPECT_FALSE(IsWindowVisible(app->Main()));
    EXPECT_EQ(app->KeywordAnsi(), "");

    PressShowHide();
    ASSERT_TRUE(WaitShown(true));
    CopyText("banana");
    ExpectSearched("banana", {2});
}

TEST_F(HotkeyClipboardTest, OnlyTheKeypadKeysWithCtrlAreTheProgramsHotkeys) {
    Start();
    // The program holds exactly Ctrl + keypad 1 and Ctrl + keypad 0: nobody else can have
    // them while it runs.
    for (WORD vk : {WORD(VK_NUMPAD1), WORD(VK_NUMPAD0)}) {
        const bool taken = RegisterHotKey(own.Handle(), 2, MOD_CONTROL, vk);
        if (taken)
            UnregisterHotKey(own.Handle(), 2);
        EXPECT_FALSE(taken) << "the program does not hold Ctrl + " << vk;
    }

    // Ctrl with the main keyboard's 1, and the keypad's 1 and 0 with Num Lock off (End,
    // Insert), are free: another window gets them and the program does not react.
    for (WORD vk : {WORD('1'), WORD('0'), WORD(VK_END), WORD(VK_INSERT)}) {
        SCOPED_TRACE(vk);
        EXPECT_TRUE(PressOwnHotkey(own, vk));
        app->Sync();
        EXPECT_TRUE(IsWindowVisible(app->Main()));
        EXPECT_FALSE(app->HasExited());
    }
    PressShowHide();
    EXPECT_TRUE(WaitShown(false));
}

TEST_F(HotkeyClipboardTest, CtrlNumpad0EndsTheProgramShownOrHidden) {
    for (bool hidden : {false, true}) {
        SCOPED_TRACE(hidden ? "hidden" : "shown");
        Start();
        if (hidden) {
            PressShowHide();
            ASSERT_TRUE(WaitShown(false));
        }
        own.PressHotkey(VK_CONTROL, VK_NUMPAD0);
        EXPECT_TRUE(WaitForExit(*app));
        // Its hotkeys went with it.
        ASSERT_TRUE(RegisterHotKey(own.Handle(), 2, MOD_CONTROL, VK_NUMPAD1));
        ASSERT_TRUE(RegisterHotKey(own.Handle(), 3, MOD_CONTROL, VK_NUMPAD0));
        UnregisterHotKey(own.Handle(), 2);
        UnregisterHotKey(own.Handle(), 3);
    }
}

TEST_F(HotkeyClipboardTest, ASecondCopyReportsBothConflictsThenRunsWithoutHotkeys) {
    VornaProcess& first = Start();
    TempFolder otherFolder;
    otherFolder.Write(L"super.vendu", HandMadeFile(Store()));
    VornaProcess second(otherFolder.Path());

    // Both messages, in the order of registration, before the window is shown.
    for (const wchar_t* text : {L"Ctrl+1热键冲突！", L"关闭程序热键冲突！"}) {
        SCOPED_TRACE(Utf8(text));
        const HWND box = second.WaitForMessageBox();
        EXPECT_EQ(GetText(box), L"Vorna");
        EXPECT_EQ(VornaProcess::MessageBoxText(box), text);
        for (HWND dialog : second.Dialogs()) {
            if (GetDlgItem(dialog, ctl::kSearchBox)) {
                EXPECT_FALSE(IsWindowVisible(dialog)) << "the window is shown before the message";
            }
        }
        VornaProcess::DismissMessageBox(box);
    }
    second.WaitForMainWindow();
    second.Sync();
    EXPECT_FALSE(second.FindMessageBox().has_value()) << second.DescribeMessageBoxes();

    // The first copy keeps both hotkeys; the second does not react to them.
    PressShowHide();
    ASSERT_TRUE(WaitShown(false));
    EXPECT_TRUE(IsWindowVisible(second.Main()));
    PressShowHide();
    ASSERT_TRUE(WaitShown(true));
    own.PressHotkey(VK_CONTROL, VK_NUMPAD0);
    ASSERT_TRUE(WaitForExit(first));
    second.Sync();
    EXPECT_FALSE(second.HasExited());
    EXPECT_TRUE(IsWindowVisible(second.Main()));

    // The second copy holds no hotkey, even now that they are free, and works on.
    EXPECT_TRUE(RegisterHotKey(own.Handle(), 2, MOD_CONTROL, VK_NUMPAD1));
    EXPECT_TRUE(RegisterHotKey(own.Handle(), 3, MOD_CONTROL, VK_NUMPAD0));
    UnregisterHotKey(own.Handle(), 2);
    UnregisterHotKey(own.Handle(), 3);
    const int before = viewer->Notices();
    PutClipboardText("banana");
    ASSERT_TRUE(viewer->WaitForNotices(before + 1));
    EXPECT_EQ(second.KeywordAnsi(), "banana");
}

// ---- The clipboard viewer chain

TEST_F(HotkeyClipboardTest, AViewerBeforeTheProgramKeepsItsNoticesWhateverEndsIt) {
    struct Way {
        const char* name;
        std::function<void()> end;
    } ways[] = {
        {"Esc",
         [this] {
             app->BringToFront();
             PressKey(VK_ESCAPE);
         }},
        {"Ctrl+Numpad0", [this] { own.PressHotkey(VK_CONTROL, VK_NUMPAD0); }},
        {"WM_CLOSE from outside", [this] { Post(app->Main(), WM_CLOSE); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        Start();
        CopyText("banana");
        ExpectSearched("banana", {2});

        way.end();
        ASSERT_TRUE(WaitForExit(*app));
        const int before = viewer->Notices();
        PutClipboardText("candy");
        EXPECT_TRUE(viewer->WaitForNotices(before + 1))
            << "the viewer stopped receiving notices when the program ended";
        app.reset();
    }
}

TEST_F(HotkeyClipboardTest, ViewersLeavingAroundTheProgramKeepTheChainWhole) {
    // Chain: the program, then third, second and the fixture's viewer.
    ClipboardViewer second;
    ClipboardViewer third;
    Start();
    const int firstBefore = viewer->Notices();
    CopyText("banana");
    EXPECT_EQ(second.Notices(), 1 + 1);
    EXPECT_EQ(third.Notices(), 1 + 1);
    EXPECT_EQ(viewer->Notices(), firstBefore + 1);
    ExpectSearched("banana", {2});

    // One further down leaves: the program hands the change of the chain on.
    second.Leave();
    CopyText("sweet");
    ExpectSearched("sweet", {0, 1});
    EXPECT_EQ(third.Notices(), 3);
    EXPECT_EQ(second.Notices(), 2);

    // The program's own next window leaves: the program links to the one after it.
    third.Leave();
    CopyText("candy");
    ExpectSearched("candy", {1});
    EXPECT_EQ(third.Notices(), 3);

    // One that joined after the program leaves again.
    {
        ClipboardViewer later;
        CopyText("yellow");
        ExpectSearched("yellow", {2});
        EXPECT_EQ(later.Notices(), 1 + 1);
        later.Leave();
        CopyText("apple");
        ExpectSearched("apple", {0});
        EXPECT_EQ(later.Notices(), 2);
    }

    Post(app->Main(), WM_CLOSE);
    ASSERT_TRUE(WaitForExit(*app));
    const int before = viewer->Notices();
    PutClipboardText("after");
    EXPECT_TRUE(viewer->WaitForNotices(before + 1));
}

} // namespace
} // namespace vorna::e2e
