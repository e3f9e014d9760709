// The options of Lirel.ini through the real Vorna.exe: each program starts with an APPDATA of
// its test's own, so the file is the test's and nobody else's. Without the file the window is
// the described one (the other end-to-end tests run that way).
#include "Driver.h"
#include "Entries.h"
#include "Expect.h"
#include "Fixture.h"
#include "NotifyMenu.h"

#include "res/resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vorna::e2e {
namespace {

const std::wstring kOptionsCaption = L"选项";

std::vector<TestEntry> Numbered(int count) {
    std::vector<TestEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back({"q" + std::to_string(i), "a" + std::to_string(i)});
    return entries;
}

// Presses the modifiers and the key while the test's own window is in front, as a user
// presses a hotkey anywhere on the desktop.
void PressCombination(OwnWindow& own, const std::vector<WORD>& modifiers, WORD key) {
    own.BringToFront();
    for (WORD m : modifiers)
        KeyDown(m);
    PressKey(key);
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m)
        KeyUp(*m);
}

// Whether the program leaves a combination free: the test's window can register it.
bool IsFree(HWND own, UINT modifiers, UINT key) {
    if (!RegisterHotKey(own, 9, modifiers, key))
        return false;
    UnregisterHotKey(own, 9);
    return true;
}

RECT Centred(HWND window) {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const RECT now = WindowRect(window);
    const LONG width = now.right - now.left;
    const LONG height = now.bottom - now.top;
    const LONG left = work.left + (work.right - work.left - width) / 2;
    const LONG top = work.top + (work.bottom - work.top - height) / 2;
    return {left, top, left + width, top + height};
}

class Options : public VornaFixture {
protected:
    std::wstring IniPath() const { return AppDataFolder(folder.Path()) + L"\\Lirel\\Lirel.ini"; }

    void WriteIni(const std::string& bytes) {
        CreateDirectoryW(AppDataFolder(folder.Path()).c_str(), nullptr);
        CreateDirectoryW((AppDataFolder(folder.Path()) + L"\\Lirel").c_str(), nullptr);
        folder.Write(L"应用数据\\Lirel\\Lirel.ini", bytes);
    }
    std::string ReadIni() const { return ReadFileBytes(IniPath()); }

    // Ends the program as the user does, so that it saves what it saves when it ends.
    void End() {
        Post(app->Main(), WM_CLOSE);
        ASSERT_TRUE(app->WaitForExit());
        app.reset();
    }

    HWND OpenOptions() {
        // The menu closes when its window loses the foreground; as a user's, it is in front.
        app->BringToFront();
        PickNotifyMenuItem(*app, kItemOptions);
        return app->WaitForDialog(kOptionsCaption);
    }

    static bool Checked(HWND dialog, int id) {
        return Send(GetDlgItem(dialog, id), BM_GETCHECK) == BST_CHECKED;
    }
    static WORD HotKeyShown(HWND dialog, int id) {
        return LOWORD(Send(GetDlgItem(dialog, id), HKM_GETHOTKEY));
    }

    // Presses OK; returns the message box the dialog answered with, or none once it closed.
    std::optional<HWND> PressOk(HWND dialog) {
        Post(GetDlgItem(dialog, IDOK), BM_CLICK);
        std::optional<HWND> box;
        const bool answered = WaitUntil([&] {
            if (!IsWindow(dialog))
                return true;
            // A box the dialog owns; its caption is not asked for, as the dialog may be
            // going away meanwhile.
            for (HWND d : app->Dialogs()) {
                if (d != dialog && GetWindow(d, GW_OWNER) == dialog && IsWindowVisible(d))
                    box = d;
            }
            return box.has_value();
        });
        if (!answered)
            throw DriverError("the options dialog neither closed nor answered");
        return box;
    }

    testing::AssertionResult WaitShown(bool shown) {
        if (WaitUntil([&] { return (IsWindowVisible(app->Main()) != 0) == shown; }))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "the window stays " << (shown ? "hidden" : "shown")
                                           << app->DescribeMessageBoxes();
    }

    OwnWindow own;
};

TEST_F(Options, AMalformedFileChangesNothingAndTheDialogNamesWhatItIgnored) {
    struct Case {
        const char* name;
        std::string bytes;
        std::wstring note;
    } cases[] = {
        {"values out of their form",
         "[Options]\r\nSearchAsYouType=maybe\r\nShowHideHotkey=Ctrl+\r\nCloseHotkey=L\r\n"
         "RememberPlacement=2\r\nwhat is this\r\n[Placement]\r\nLeft=x\r\nTop=0\r\nOpacity=300\r\n",
         L"设置文件中以下内容无效，已被忽略：\r\nSearchAsYouType=maybe\r\nShowHideHotkey=Ctrl+\r\n"
         L"CloseHotkey=L\r\nRememberPlacement=2\r\nwhat is this\r\nLeft=x\r\nOpacity=300"},
        {"half a UTF-16 text", std::string("\xFF\xFE[\0O", 5), L"设置文件无法读取，使用默认设置。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIni(c.bytes);
        Start(HandMadeFile(Numbered(3)));
        app->Sync();
        EXPECT_UTF8_EQ(app->DescribeMessageBoxes(), "");
        const HWND main = app->Main();
        const RECT rect = WindowRect(main);
        const RECT centred = Centred(main);
        EXPECT_EQ(rect.left, centred.left);
        EXPECT_EQ(rect.top, centred.top);
        EXPECT_EQ(Slider(app->Control(ctl::kSlider)).pos, 100);
        // The described hotkey hides the window.
        own.PressHotkey(VK_CONTROL, VK_NUMPAD1);
        EXPECT_TRUE(WaitShown(false));
        own.PressHotkey(VK_CONTROL, VK_NUMPAD1);
        EXPECT_TRUE(WaitShown(true));

        const HWND dialog = OpenOptions();
        const HWND note = GetDlgItem(dialog, IDC_IGNORED);
        EXPECT_TRUE(IsWindowVisible(note));
        EXPECT_UTF8_EQ(Utf8(GetText(note)), Utf8(c.note));
        for (int id : {IDC_SEARCH_AS_YOU_TYPE, IDC_RELOAD_ON_CHANGE, IDC_REMEMBER_PLACEMENT,
                       IDC_START_WITH_WINDOWS, IDC_SHOW_HIDE_WIN, IDC_CLOSE_WIN})
            EXPECT_FALSE(Checked(dialog, id)) << id;
        EXPECT_EQ(HotKeyShown(dialog, IDC_SHOW_HIDE_KEY), MAKEWORD(VK_NUMPAD1, HOTKEYF_CONTROL));
        EXPECT_EQ(HotKeyShown(dialog, IDC_CLOSE_KEY), MAKEWORD(VK_NUMPAD0, HOTKEYF_CONTROL));
        Post(GetDlgItem(dialog, IDCANCEL), BM_CLICK);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
        EXPECT_ANSI_EQ(ReadIni(), c.bytes);
        app.reset();
    }
}

TEST_F(Options, ConfiguredHotkeysTakeThePlaceOfTheDescribedOnes) {
    WriteIni("[Options]\r\nShowHideHotkey=Ctrl+Alt+L\r\nCloseHotkey=Ctrl+Shift+F7\r\n");
    Start(HandMadeFile(Numbered(3)));
    app->Sync();
    EXPECT_UTF8_EQ(app->DescribeMessageBoxes(), "");
    EXPECT_TRUE(IsFree(own.Handle(), MOD_CONTROL, VK_NUMPAD1));
    EXPECT_TRUE(IsFree(own.Handle(), MOD_CONTROL, VK_NUMPAD0));
    EXPECT_FALSE(IsFree(own.Handle(), MOD_CONTROL | MOD_ALT, 'L'));
    for (bool shown : {false, true}) {
        PressCombination(own, {VK_CONTROL, VK_MENU}, 'L');
        EXPECT_TRUE(WaitShown(shown));
    }
    PressCombination(own, {VK_CONTROL, VK_SHIFT}, VK_F7);
    EXPECT_TRUE(WaitUntil([&] { return app->HasExited(); }));
    app.reset();

    // Held by another program: the described message for that hotkey, and no hotkey.
    ASSERT_TRUE(RegisterHotKey(own.Handle(), 1, MOD_CONTROL | MOD_ALT, 'L'));
    app = std::make_unique<VornaProcess>(folder.Path());
    const HWND box = app->WaitForMessageBox(kStartTimeoutMs);
    EXPECT_UTF8_EQ(Utf8(VornaProcess::MessageBoxText(box)), "Ctrl+1热键冲突！");
    VornaProcess::DismissMessageBox(box);
    app->WaitForMainWindow();
    app->Sync();
    EXPECT_UTF8_EQ(app->DescribeMessageBoxes(), "");
    UnregisterHotKey(own.Handle(), 1);
}

TEST_F(Options, PlaceAndOpacityComeBackAfterARestartWhileTheyAreOnAScreen) {
    WriteIni("[Options]\r\nRememberPlacement=1\r\n");
    Start(HandMadeFile(Numbered(3)));
    const HWND slider = app->Control(ctl::kSlider);
    app->BringToFront();
    MouseClick(Centre(slider));
    ASSERT_TRUE(WaitUntil([&] { return app->Focus() == slider; }));
    PressKey(VK_END);
    ASSERT_TRUE(WaitUntil([&] { return LayeredAlpha(app->Main()) == BYTE(255); }));
    PressKey(VK_LEFT);
    ASSERT_TRUE(WaitUntil([&] { return LayeredAlpha(app->Main()) == BYTE(254); }));
    ASSERT_TRUE(SetWindowPos(app->Main(), nullptr, 37, 21, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    ASSERT_TRUE(WaitUntil([&] { return WindowRect(app->Main()).left == 37; }));
    End();
    EXPECT_ANSI_EQ(ReadIni(), "[Options]\r\nRememberPlacement=1\r\n"
                              "[Placement]\r\nLeft=37\r\nTop=21\r\nOpacity=254\r\n");

    struct Case {
        const char* name;
        std::string ini;
        std::optional<POINT> corner; // none: centred
        int alpha;
    } cases[] = {
        {"as it was left", ReadIni(), POINT{37, 21}, 254},
        {"the screen's corner, where the window stands before it is centred",
         "[Options]\r\nRememberPlacement=1\r\n[Placement]\r\nLeft=0\r\nTop=0\r\n", POINT{0, 0},
         100},
        {"a place on no screen",
         "[Options]\r\nRememberPlacement=1\r\n[Placement]\r\n"
         "Left=-30000\r\nTop=21\r\nOpacity=254\r\n",
         std::nullopt, 254},
        {"the option off",
         "[Options]\r\nRememberPlacement=0\r\n[Placement]\r\n"
         "Left=37\r\nTop=21\r\nOpacity=254\r\n",
         std::nullopt, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIni(c.ini);
        Start();
        const HWND main = app->Main();
        const RECT expected = Centred(main);
        const POINT corner = c.corner.value_or(POINT{expected.left, expected.top});
        EXPECT_EQ(WindowRect(main).left, corner.x);
        EXPECT_EQ(WindowRect(main).top, corner.y);
        EXPECT_EQ(Slider(app->Control(ctl::kSlider)).pos, c.alpha);
        EXPECT_TRUE(WaitUntil([&] { return LayeredAlpha(main) == BYTE(c.alpha); }));
        app.reset();
    }
}

TEST_F(Options, TheDialogWritesWhatItShowsAndTheHotkeysChangeAtOnce) {
    Start(HandMadeFile(Numbered(3)));
    HWND dialog = OpenOptions();
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_IGNORED)));
    EXPECT_EQ(Utf8(GetText(GetDlgItem(dialog, IDC_OPTIONS_FILE))), Utf8(IniPath()));

    // What it refuses, and says so, staying open.
    struct Refusal {
        WORD showHide;
        WORD close;
        const char* message;
    } refusals[] = {
        {MAKEWORD('L', 0), 0, "热键需要包含 Ctrl、Alt 或 Win（F1 到 F24 除外）！"},
        {MAKEWORD('L', HOTKEYF_SHIFT), 0, "热键需要包含 Ctrl、Alt 或 Win（F1 到 F24 除外）！"},
        {MAKEWORD(VK_APPS, HOTKEYF_CONTROL), 0, "不支持这个键作为热键，请换一个键！"},
        {MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT), MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT),
         "两个热键不能相同！"},
        {MAKEWORD(VK_NUMPAD0, HOTKEYF_CONTROL), 0, "两个热键不能相同！"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.message);
        Send(GetDlgItem(dialog, IDC_SHOW_HIDE_KEY), HKM_SETHOTKEY, r.showHide);
        Send(GetDlgItem(dialog, IDC_CLOSE_KEY), HKM_SETHOTKEY,
             r.close ? r.close : MAKEWORD(VK_NUMPAD0, HOTKEYF_CONTROL));
        const std::optional<HWND> box = PressOk(dialog);
        ASSERT_TRUE(box);
        EXPECT_UTF8_EQ(Utf8(VornaProcess::MessageBoxText(*box)), r.message);
        VornaProcess::DismissMessageBox(*box);
        EXPECT_TRUE(IsWindowVisible(dialog));
    }
    EXPECT_THROW(ReadIni(), DriverError);

    Send(GetDlgItem(dialog, IDC_SEARCH_AS_YOU_TYPE), BM_CLICK);
    Send(GetDlgItem(dialog, IDC_REMEMBER_PLACEMENT), BM_CLICK);
    Send(GetDlgItem(dialog, IDC_SHOW_HIDE_KEY), HKM_SETHOTKEY,
         MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_SHIFT));
    // The described close hotkey, emptied: written as the described one.
    Send(GetDlgItem(dialog, IDC_CLOSE_KEY), HKM_SETHOTKEY, 0);
    EXPECT_FALSE(PressOk(dialog));
    EXPECT_ANSI_EQ(ReadIni(), "[Options]\r\nSearchAsYouType=1\r\nReloadOnChange=0\r\n"
                              "ShowHideHotkey=Ctrl+Shift+K\r\nCloseHotkey=\r\n"
                              "RememberPlacement=1\r\nStartWithWindows=0\r\n");
    // Registered at once in place of the described one (pressing a configured hotkey has a
    // test of its own).
    app->Sync();
    EXPECT_UTF8_EQ(app->DescribeMessageBoxes(), "");
    EXPECT_TRUE(IsFree(own.Handle(), MOD_CONTROL, VK_NUMPAD1));
    EXPECT_FALSE(IsFree(own.Handle(), MOD_CONTROL | MOD_SHIFT, 'K'));

    // Opened again, it shows what it wrote.
    dialog = OpenOptions();
    EXPECT_TRUE(Checked(dialog, IDC_SEARCH_AS_YOU_TYPE));
    EXPECT_FALSE(Checked(dialog, IDC_RELOAD_ON_CHANGE));
    EXPECT_TRUE(Checked(dialog, IDC_REMEMBER_PLACEMENT));
    EXPECT_EQ(HotKeyShown(dialog, IDC_SHOW_HIDE_KEY),
              MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_SHIFT));
    EXPECT_EQ(HotKeyShown(dialog, IDC_CLOSE_KEY), MAKEWORD(VK_NUMPAD0, HOTKEYF_CONTROL));
    // Back to the described hotkey, with Win added to nothing.
    Send(GetDlgItem(dialog, IDC_SHOW_HIDE_KEY), HKM_SETHOTKEY,
         MAKEWORD(VK_NUMPAD1, HOTKEYF_CONTROL));
    EXPECT_FALSE(PressOk(dialog));
    app->Sync();
    EXPECT_FALSE(IsFree(own.Handle(), MOD_CONTROL, VK_NUMPAD1));
    EXPECT_TRUE(IsFree(own.Handle(), MOD_CONTROL | MOD_SHIFT, 'K'));
}

class StartWithWindows : public Options {
protected:
    // The Run entry is the user's own on a real system: kept and put back.
    void SetUp() override {
        Options::SetUp();
        m_before = RunEntry();
    }
    void TearDown() override {
        Options::TearDown();
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr);
        if (m_before)
            RegSetValueExW(key, L"Lirel", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(m_before->c_str()),
                           static_cast<DWORD>((m_before->size() + 1) * sizeof(wchar_t)));
        else
            RegDeleteValueW(key, L"Lirel");
        RegCloseKey(key);
    }

    static std::optional<std::wstring> RunEntry() {
        wchar_t value[2048] = {};
        DWORD bytes = sizeof value - sizeof(wchar_t);
        if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Lirel", RRF_RT_REG_SZ, nullptr, value,
                         &bytes) != ERROR_SUCCESS)
            return std::nullopt;
        return std::wstring(value);
    }

    void SwitchTo(bool on) {
        const HWND dialog = OpenOptions();
        EXPECT_EQ(Checked(dialog, IDC_START_WITH_WINDOWS), !on);
        Send(GetDlgItem(dialog, IDC_START_WITH_WINDOWS), BM_CLICK);
        EXPECT_FALSE(PressOk(dialog));
    }

    static constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    std::optional<std::wstring> m_before;
};

TEST_F(StartWithWindows, TheRunEntryStartsTheProgramInTheFolderItStartedIn) {
    Start(HandMadeFile(Numbered(4)));
    SwitchTo(true);
    // The program's own path, as the system gives it to the program.
    wchar_t exe[MAX_PATH * 2] = {};
    ASSERT_GT(GetFullPathNameW(VornaExePath().c_str(), MAX_PATH * 2, exe, nullptr), 0u);
    const std::wstring arguments = L"/startin:\"" + folder.Path() + L"\"";
    EXPECT_EQ(RunEntry(), L"\"" + std::wstring(exe) + L"\" " + arguments);
    End();

    // As the system starts it at the next logon: in a folder of its own choosing.
    TempFolder elsewhere;
    elsewhere.Write(L"super.vendu", HandMadeFile(Numbered(2)));
    app = std::make_unique<VornaProcess>(elsewhere.Path(), arguments);
    app->WaitForMainWindow();
    app->Sync();
    EXPECT_UTF8_EQ(app->DescribeMessageBoxes(), "");
    EXPECT_UTF8_EQ(app->CountCaption(), CountSummary(4));
    app.reset();

    Start();
    SwitchTo(false);
    EXPECT_EQ(RunEntry(), std::nullopt);
    const std::string written = ReadIni();

    // A file that cannot be written: nothing changes, the Run entry included.
    ASSERT_TRUE(DeleteFileW(IniPath().c_str()));
    ASSERT_TRUE(CreateDirectoryW(IniPath().c_str(), nullptr));
    const HWND dialog = OpenOptions();
    Send(GetDlgItem(dialog, IDC_START_WITH_WINDOWS), BM_CLICK);
    const std::optional<HWND> box = PressOk(dialog);
    ASSERT_TRUE(box);
    EXPECT_UTF8_EQ(Utf8(VornaProcess::MessageBoxText(*box)),
                   "选项无法保存，请检查设置文件是否可以写入！");
    VornaProcess::DismissMessageBox(*box);
    EXPECT_EQ(RunEntry(), std::nullopt);
    Post(GetDlgItem(dialog, IDCANCEL), BM_CLICK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    ASSERT_TRUE(RemoveDirectoryW(IniPath().c_str()));
    EXPECT_ANSI_EQ(written, "[Options]\r\nSearchAsYouType=0\r\nReloadOnChange=0\r\n"
                            "ShowHideHotkey=\r\nCloseHotkey=\r\n"
                            "RememberPlacement=0\r\nStartWithWindows=0\r\n");
}

TEST_F(Options, TypingSearchesOnlyWithTheOptionAndLeavesTheFocusAndCaretInTheBox) {
    for (bool on : {false, true}) {
        SCOPED_TRACE(on ? "SearchAsYouType=1" : "without the file");
        if (on)
            WriteIni("[Options]\r\nSearchAsYouType=1\r\n");
        Start(HandMadeFile(Numbered(12)));
        const HWND box = app->Control(ctl::kSearchBox);
        app->BringToFront();
        ASSERT_TRUE(WaitUntil([&] { return app->Focus() == box; }));
        // "1" finds q1, q10 and q11; then "q" typed in front of it, the caret after the "q".
        TypeText(L"1");
        ASSERT_TRUE(WaitUntil([&] { return app->KeywordAnsi() == "1"; }));
        PressKey(VK_HOME);
        TypeText(L"q");
        ASSERT_TRUE(WaitUntil([&] { return app->KeywordAnsi() == "q1"; }));
        if (on) {
            EXPECT_TRUE(WaitUntil([&] {
                return GetTextAnsi(app->Control(ctl::kMatchGroup)) == MatchSummary("q1", 3);
            })) << app->MatchCaption();
            app->WaitForWholeList();
            EXPECT_LINES_EQ(app->ResultLinesAnsi(),
                            (std::vector<std::string>{"q1/a1", "q10/a10", "q11/a11"}));
            EXPECT_EQ(app->ResultSelection(), 0);
            EXPECT_ANSI_EQ(app->QuestionAnsi(), "q1");
        } else {
            app->Sync();
            EXPECT_UTF8_EQ(app->MatchCaption(), "匹配信息");
            EXPECT_TRUE(app->ResultLinesAnsi().empty());
        }
        EXPECT_EQ(app->Focus(), box);
        // The caret: an empty selection after the "q".
        EXPECT_EQ(Send(box, EM_GETSEL), MAKELRESULT(1, 1));
        // Enter keeps its described search, which gives the list the focus.
        PressKey(VK_RETURN);
        EXPECT_TRUE(WaitUntil([&] { return app->Focus() == app->Control(ctl::kResults); }));
        EXPECT_ANSI_EQ(GetTextAnsi(app->Control(ctl::kMatchGroup)), MatchSummary("q1", 3));
        app.reset();
    }
}

TEST_F(Options, ListKeysInTheSearchBoxMoveTheSelectionAndLeaveTheFocusThere) {
    Start(HandMadeFile(Numbered(60)));
    app->Search("q");
    const HWND box = app->Control(ctl::kSearchBox);
    const HWND list = app->Control(ctl::kResults);
    app->BringToFront();
    MouseClick(Centre(box));
    ASSERT_TRUE(WaitUntil([&] { return app->Focus() == box; }));
    struct Step {
        WORD key;
        std::function<bool(int before, int after)> moved;
    } steps[] = {
        {VK_DOWN, [](int b, int a) { return a == b + 1; }},
        {VK_DOWN, [](int b, int a) { return a == b + 1; }},
        {VK_UP, [](int b, int a) { return a == b - 1; }},
        {VK_NEXT, [](int b, int a) { return a > b + 1; }},
        {VK_PRIOR, [](int b, int a) { return a < b; }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.key);
        const int before = ListSelection(list);
        PressKey(step.key);
        EXPECT_TRUE(WaitUntil([&] { return step.moved(before, ListSelection(list)); }))
            << ListSelection(list);
        const int line = ListSelection(list);
        EXPECT_TRUE(WaitUntil([&] { return app->QuestionAnsi() == "q" + std::to_string(line); }))
            << app->QuestionAnsi() << " for line " << line;
        EXPECT_EQ(app->Focus(), box);
        EXPECT_ANSI_EQ(app->KeywordAnsi(), "q");
    }
}

TEST_F(Options, TheLoadedFileIsLoadedAgainWhenAnotherProgramChangesIt) {
    WriteIni("[Options]\r\nReloadOnChange=1\r\n");
    Start(HandMadeFile(Numbered(3)));
    const std::wstring file = folder.PathOf(L"super.vendu");
    // The last search runs again for its keyword; what the user typed since stays in the
    // search box, and so does the focus.
    app->Search("q");
    const HWND box = app->Control(ctl::kSearchBox);
    app->BringToFront();
    MouseClick(Centre(box));
    ASSERT_TRUE(WaitUntil([&] { return app->Focus() == box; }));
    SetTextAnsi(box, "typed");
    struct Change {
        const char* name;
        std::function<void()> make;
        int count;
    } changes[] = {
        {"appended by a program that ignores the lock",
         [&] {
             HANDLE h =
                 CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
             ASSERT_NE(h, INVALID_HANDLE_VALUE);
             const std::string record = WrittenRecord("q3", "a3");
             DWORD written = 0;
             WriteFile(h, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
             CloseHandle(h);
         },
         4},
        {"saved by an editor through another name",
         [&] {
             folder.Write(L"super.vendu.new", HandMadeFile(Numbered(6)));
             ASSERT_TRUE(MoveFileExW(folder.PathOf(L"super.vendu.new").c_str(), file.c_str(),
                                     MOVEFILE_REPLACE_EXISTING));
         },
         6},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        c.make();
        EXPECT_TRUE(WaitUntil([&] { return app->CountCaption() == CountSummary(c.count); }))
            << app->CountCaption();
        EXPECT_TRUE(WaitUntil([&] {
            return GetTextAnsi(app->Control(ctl::kMatchGroup)) == MatchSummary("q", c.count);
        })) << app->MatchCaption();
        app->WaitForWholeList();
        app->Sync();
        EXPECT_UTF8_EQ(app->DescribeMessageBoxes(), "");
        EXPECT_EQ(app->ResultLinesAnsi().size(), static_cast<std::size_t>(c.count));
        EXPECT_ANSI_EQ(app->QuestionAnsi(), "q0");
        EXPECT_ANSI_EQ(app->KeywordAnsi(), "typed");
        EXPECT_EQ(app->Focus(), box);
    }
}

} // namespace
} // namespace vorna::e2e
