// The program on the desktop, driven through the real Vorna.exe: every caption drawn whole,
// a file named on the command line, the hand-over of a file to the copy that runs already,
// and the notification-area icon with its menu.
#include "Driver.h"
#include "Entries.h"
#include "Expect.h"
#include "Fixture.h"
#include "NotifyMenu.h"

#include "ui/RunningCopy.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vorna::e2e {
namespace {

const std::wstring kAboutCaption = L"关于\"Lirel\" ";
const std::wstring kAddCaption = L"添加";
const std::wstring kOptionsCaption = L"选项";

std::vector<TestEntry> Numbered(const std::string& prefix, int count) {
    std::vector<TestEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back({prefix + " q" + std::to_string(i), prefix + " a" + std::to_string(i)});
    return entries;
}

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

// ---- Captions

// The font the dialog manager makes of the templates' "宋体" at 9 points, for dc.
class DialogFont {
public:
    explicit DialogFont(HDC dc)
        : m_font(CreateFontW(-MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_DONTCARE,
                             FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_DONTCARE, L"宋体")) {}
    ~DialogFont() { DeleteObject(m_font); }
    DialogFont(const DialogFont&) = delete;
    DialogFont& operator=(const DialogFont&) = delete;
    operator HFONT() const { return m_font; }

private:
    HFONT m_font;
};

// A window's own device context with the dialog's font selected.
class FontOnWindow {
public:
    explicit FontOnWindow(HWND window) : m_window(window), m_dc(GetDC(window)) {
        if (!m_dc)
            throw DriverError("no device context for a control");
        m_font = std::make_unique<DialogFont>(m_dc);
        m_old = SelectObject(m_dc, *m_font);
    }
    ~FontOnWindow() {
        SelectObject(m_dc, m_old);
        m_font.reset();
        ReleaseDC(m_window, m_dc);
    }
    FontOnWindow(const FontOnWindow&) = delete;
    FontOnWindow& operator=(const FontOnWindow&) = delete;
    HDC Dc() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
    std::unique_ptr<DialogFont> m_font;
    HGDIOBJ m_old = nullptr;
};

// Pixels per 4 horizontal and 8 vertical dialog units for the font: the system's rule.
SIZE BaseUnits(HDC dc) {
    static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    GetTextExtentPoint32W(dc, kLetters, 52, &size);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    return {(size.cx / 26 + 1) / 2, metrics.tmHeight};
}

// Room a control keeps on each side of its caption: the edge and focus frame of a push
// button, the frame and gap of a group box. Static text uses the whole control.
constexpr int kPushButtonMargin = 4;
constexpr int kGroupBoxMargin = 8;

// Measures the caption of a static, push button or group box: "" when it is drawn whole,
// else what is cut. None for other controls.
std::optional<std::string> CutCaption(HWND control) {
    const std::wstring text = GetText(control);
    const std::wstring cls = ClassName(control);
    const LONG_PTR style = Style(control);
    UINT flags = DT_CALCRECT;
    int margin = 0;
    if (lstrcmpiW(cls.c_str(), L"Static") == 0) {
        const LONG_PTR type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT)
            return std::nullopt;
        flags |= DT_WORDBREAK | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
    } else if (lstrcmpiW(cls.c_str(), L"Button") == 0) {
        const LONG_PTR type = style & BS_TYPEMASK;
        if (type == BS_GROUPBOX)
            margin = kGroupBoxMargin;
        else if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
            margin = kPushButtonMargin;
        else
            return std::nullopt;
        flags |= DT_SINGLELINE;
    } else {
        return std::nullopt;
    }
    if (text.empty())
        return "";
    RECT client{};
    GetClientRect(control, &client);
    const int room = client.right - 2 * margin;
    RECT need{0, 0, room, 0};
    {
        FontOnWindow font(control);
        DrawTextW(font.Dc(), text.c_str(), -1, &need, flags);
    }
    if (need.right <= room && need.bottom <= client.bottom)
        return "";
    return "\"" + Utf8(text) + "\" (control " + std::to_string(GetDlgCtrlID(control)) + ") needs " +
           std::to_string(need.right) + " x " + std::to_string(need.bottom) + " pixels, has " +
           std::to_string(room) + " x " + std::to_string(client.bottom);
}

// Every visible control's caption of a dialog; returns the number of captions measured.
int ExpectCaptionsWhole(HWND dialog) {
    int measured = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child) || GetText(child).empty())
            continue;
        if (const std::optional<std::string> cut = CutCaption(child)) {
            EXPECT_UTF8_EQ(*cut, "");
            ++measured;
        }
    }
    return measured;
}

using Captions = VornaFixture;

TEST_F(Captions, EveryCaptionOfTheFourWindowsIsDrawnWhole) {
    Start(HandMadeFile(Numbered("x", 28)));
    app->Search("x q1");
    EXPECT_UTF8_EQ(app->CountCaption(), CountSummary(28));

    // The font measured with is the dialog's own: its base units give the window's size.
    {
        FontOnWindow font(app->Main());
        const SIZE units = BaseUnits(font.Dc());
        RECT client{};
        GetClientRect(app->Main(), &client);
        EXPECT_EQ(client.right, MulDiv(501, units.cx, 4));
        EXPECT_EQ(client.bottom, MulDiv(286, units.cy, 8));
    }

    // Per-monitor aware (the manifest's), so that on every screen the system lays the window
    // out at that screen's own scale rather than stretching a picture of it.
    {
        const HMODULE user32 = GetModuleHandleW(L"user32.dll");
        const FARPROC context = GetProcAddress(user32, "GetWindowDpiAwarenessContext");
        const FARPROC awareness = GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext");
        ASSERT_TRUE(context && awareness);
        using ContextOf = HANDLE(WINAPI*)(HWND);
        using AwarenessOf = int(WINAPI*)(HANDLE);
        const HANDLE ofMain =
            reinterpret_cast<ContextOf>(reinterpret_cast<void*>(context))(app->Main());
        constexpr int kPerMonitorAware = 2;
        EXPECT_EQ(reinterpret_cast<AwarenessOf>(reinterpret_cast<void*>(awareness))(ofMain),
                  kPerMonitorAware);
    }

    struct Window {
        const char* name;
        std::function<void()> open; // from the main window; none for the main window itself
        const std::wstring* caption;
        int captions; // visible controls with a caption
    };
    auto button = [&](int id) { return [this, id] { Post(app->Control(id), BM_CLICK); }; };
    const std::vector<Window> windows = {
        {"main window", nullptr, nullptr, 9},
        {"About box", button(ctl::kAbout), &kAboutCaption, 7},
        {"Add dialog", button(ctl::kAdd), &kAddCaption, 7},
        {"options dialog", [this] { PickNotifyMenuItem(*app, kItemOptions); }, &kOptionsCaption, 7},
    };
    for (const Window& w : windows) {
        SCOPED_TRACE(w.name);
        HWND dialog = app->Main();
        if (w.open) {
            w.open();
            dialog = app->WaitForDialog(*w.caption);
        }
        EXPECT_EQ(ExpectCaptionsWhole(dialog), w.captions);
        if (w.open) {
            Post(dialog, WM_CLOSE);
            ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
        }
    }
}

// ---- Line breaks in the Add dialog's boxes

using AddDialogBoxes = VornaFixture;

TEST_F(AddDialogBoxes, CtrlEnterBreaksTheLineWhereEnterWouldSave) {
    Start();
    Post(app->Control(ctl::kAdd), BM_CLICK);
    const HWND dialog = app->WaitForDialog(kAddCaption);
    ASSERT_TRUE(WaitUntil([&] {
        SetForegroundWindow(dialog);
        return GetForegroundWindow() == dialog;
    }));
    for (int id : {1003, 1004}) {
        SCOPED_TRACE("box " + std::to_string(id));
        const HWND box = GetDlgItem(dialog, id);
        MouseClick(Centre(box));
        ASSERT_TRUE(WaitUntil([&] { return app->ThreadInfo().hwndFocus == box; }));
        TypeText(L"第一行");
        PressChord(VK_CONTROL, VK_RETURN);
        TypeText(L"第二行");
        EXPECT_TRUE(WaitUntil([&] { return GetText(box) == L"第一行\r\n第二行"; }))
            << Utf8(GetText(box));
        app->Sync();
        EXPECT_UTF8_EQ(app->DescribeMessageBoxes(), "; dialog \"添加\"");
    }
    // Enter alone saves, here without a file chosen.
    PressKey(VK_RETURN);
    const HWND box = app->WaitForMessageBox();
    EXPECT_UTF8_EQ(Utf8(VornaProcess::MessageBoxText(box)), "保存路径有问题，请重新确认！");
    VornaProcess::DismissMessageBox(box);
    Post(dialog, WM_CLOSE);
}

// ---- A file on the command line

class FileArgument : public VornaFixture {
protected:
    // Starts the program in the test's folder, whose super.vendu holds three entries, with
    // the arguments; waits for its window after the message boxes it shows first.
    VornaProcess& StartWith(const std::wstring& arguments) {
        folder.Write(L"super.vendu", HandMadeFile(Numbered("default", 3)));
        app = std::make_unique<VornaProcess>(folder.Path(), arguments);
        return *app;
    }
};

TEST_F(FileArgument, LoadsInPlaceOfTheDefaultFile) {
    ASSERT_TRUE(CreateDirectoryW(folder.PathOf(L"常用 笔记").c_str(), nullptr));
    const std::wstring spaced = L"常用 笔记\\常用 问答.vendu";
    struct Case {
        const char* name;
        std::wstring file; // in the test's folder
        std::wstring arguments;
        int entries;
    };
    const std::vector<Case> cases = {
        {"spaces and Chinese, quoted as Explorer writes it", spaced, Quoted(folder.PathOf(spaced)),
         5},
        {"the same typed without quotes", spaced, folder.PathOf(spaced), 6},
        {"characters outside code page 936", L"한국어 노트.vendu",
         Quoted(folder.PathOf(L"한국어 노트.vendu")), 4},
        {"relative to the current folder", L"relative.vendu", L"常用 笔记\\..\\relative.vendu", 2},
    };
    const std::vector<std::string> expected = {Label({"arg q1", "arg a1"})};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        folder.Write(c.file, HandMadeFile(Numbered("arg", c.entries)));
        StartWith(c.arguments).WaitForMainWindow();
        app->Sync();
        EXPECT_UTF8_EQ(app->DescribeMessageBoxes(), "");
        EXPECT_UTF8_EQ(app->CountCaption(), CountSummary(c.entries));
        app->Search("arg q1");
        EXPECT_LINES_EQ(app->ResultLinesAnsi(), expected);
        app.reset();
    }
}

TEST_F(FileArgument, ARefusedFileIsReportedAndLeavesAnEmptyStore) {
    const std::wstring held = folder.Write(L"held open.vendu", HandMadeFile(Numbered("h", 2)));
    HeldFile holder(held);
    for (const RefusedFile& c : RefusedFiles(folder.PathOf(L"没有 这个.vendu"), held)) {
        SCOPED_TRACE(c.name);
        StartWith(Quoted(c.path));
        // The load is the last step before the window shows: the box comes first.
        const HWND box = app->WaitForMessageBox(kStartTimeoutMs);
        EXPECT_UTF8_EQ(Utf8(VornaProcess::MessageBoxText(box)), c.message);
        EXPECT_FALSE(VornaProcess::MessageBoxHasIcon(box));
        VornaProcess::DismissMessageBox(box);
        app->WaitForMainWindow();
        app->Sync();
        EXPECT_UTF8_EQ(app->DescribeMessageBoxes(), "");
        EXPECT_UTF8_EQ(app->CountCaption(), "搜索");
        app->Search("");
        EXPECT_EQ(app->ResultLinesAnsi().size(), 0u);
        app.reset();
    }
}

// ---- One copy at a time for files

// A process that should end without showing anything: waits for its end and collects the
// captions of every window of it that became visible meanwhile.
struct Ending {
    bool ended = false;
    DWORD exitCode = 1;
    std::set<std::string> shown;
    double ms = 0;
};

Ending WatchEnd(VornaProcess& process, DWORD timeoutMs) {
    Ending result;
    result.ended = WaitUntil(
        [&] {
            for (HWND dialog : process.Dialogs()) {
                if (IsWindowVisible(dialog))
                    result.shown.insert(Utf8(GetText(dialog)));
            }
            return process.HasExited();
        },
        timeoutMs, 1);
    result.ms = NowMs() - process.StartedAtMs();
    GetExitCodeProcess(process.Handle(), &result.exitCode);
    return result;
}

using HandOver = VornaFixture;

TEST_F(HandOver, ASecondCopyHandsItsFileToTheRunningHiddenOneAndEnds) {
    Start(HandMadeFile(Numbered("first", 3)));
    Send(app->Control(ctl::kHide), BM_CLICK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(app->Main()); }));

    // Started elsewhere, with a path relative to its own folder.
    TempFolder elsewhere;
    elsewhere.Write(L"交给 你.vendu", HandMadeFile(Numbered("handed", 5)));
    struct Case {
        const char* name;
        std::wstring arguments;
        const char* message; // shown by the running copy; nullptr: none
        int count;           // entries of the running copy afterwards
    };
    const std::vector<Case> cases = {
        {"a file", L"\"交给 你.vendu\"", nullptr, 5},
        {"a missing file", L"\"缺少.vendu\"", "该文件不存在！", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VornaProcess second(elsewhere.Path(), c.arguments);
        const Ending end = WatchEnd(second, 5000);
        EXPECT_TRUE(end.ended) << "still running after " << end.ms << " ms";
        EXPECT_EQ(end.exitCode, 0u);
        EXPECT_TRUE(end.shown.empty()) << "showed " << *end.shown.begin();

        EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(app->Main()) != FALSE; }));
        if (c.message) {
            const HWND box = app->WaitForMessageBox();
            EXPECT_UTF8_EQ(Utf8(VornaProcess::MessageBoxText(box)), c.message);
            VornaProcess::DismissMessageBox(box);
        }
        app->Sync();
        EXPECT_UTF8_EQ(app->DescribeMessageBoxes(), "");
        EXPECT_UTF8_EQ(app->CountCaption(), CountSummary(c.count));
        EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == app->Main(); }));
    }

    // Shown as the hotkey shows it: copied text is searched again, and Hide hides.
    PutClipboardText("handed q3");
    ASSERT_TRUE(WaitUntil([&] { return app->ResultLinesAnsi().size() == 1; }));
    const std::vector<std::string> expected = {Label({"handed q3", "handed a3"})};
    EXPECT_LINES_EQ(app->ResultLinesAnsi(), expected);
    Send(app->Control(ctl::kHide), BM_CLICK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(app->Main()); }));
}

// ---- The notification-area icon

// Whether the shell knows the program's icon: changing nothing in it succeeds only then.
bool ShellKnowsIcon(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = kNotifyIconId;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

class NotifyIcon : public VornaFixture {
protected:
    void Click(UINT mouseMessage) { ClickNotifyIcon(*app, mouseMessage); }

    void Hide() {
        Send(app->Control(ctl::kHide), BM_CLICK);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(app->Main()); }));
    }

    HWND OpenMenu() { return OpenNotifyMenu(*app); }
    void Pick(NotifyMenuItem item) { PickNotifyMenuItem(*app, item); }
};

TEST_F(NotifyIcon, AClickAndTheMenuShowLoadAboutAndExit) {
    Start(HandMadeFile(Numbered("tray", 3)));
    const HWND main = app->Main();
    EXPECT_TRUE(ShellKnowsIcon(main));

    // A click shows the window as the hotkey does: copied text is searched again.
    Hide();
    Click(WM_LBUTTONUP);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }));
    PutClipboardText("tray q2");
    EXPECT_TRUE(WaitUntil([&] { return app->ResultLinesAnsi().size() == 1; }));

    // 显示.
    Hide();
    Pick(kItemShow);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }));

    // 加载..., also while hidden: the window shows with the file dialog.
    Hide();
    Pick(kItemLoad);
    const HWND fileDialog = app->WaitForFileDialog();
    EXPECT_TRUE(IsWindowVisible(main));
    VornaProcess::AnswerFileDialog(
        fileDialog, folder.Write(L"菜单 加载.vendu", HandMadeFile(Numbered("m", 6))));
    app->Sync();
    EXPECT_UTF8_EQ(app->CountCaption(), CountSummary(6));

    // 关于....
    Pick(kItemAbout);
    const HWND about = app->WaitForDialog(kAboutCaption);
    Post(about, WM_CLOSE);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));

    // The shell forgot its icons when it started anew: the icon comes back.
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = main;
    data.uID = kNotifyIconId;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    ASSERT_FALSE(ShellKnowsIcon(main));
    Send(main, RegisterWindowMessageW(L"TaskbarCreated"));
    EXPECT_TRUE(ShellKnowsIcon(main));

    // 退出: the program ends and takes its icon away.
    Pick(kItemExit);
    EXPECT_TRUE(app->WaitForExit());
    EXPECT_FALSE(ShellKnowsIcon(main));
}

TEST_F(NotifyIcon, WhileADialogIsUpOnlyShowingIsOfferedAndBringsTheDialogForward) {
    Start(HandMadeFile(Numbered("tray", 3)));
    Post(app->Control(ctl::kAbout), BM_CLICK);
    const HWND about = app->WaitForDialog(kAboutCaption);

    // 退出 is there but cannot be chosen.
    const HWND menu = OpenMenu();
    MenuKeys(menu, {VK_HOME, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
    app->Sync();
    if (IsWindowVisible(menu))
        MenuKeys(menu, {VK_ESCAPE});
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }));
    app->Sync();
    EXPECT_FALSE(app->HasExited());
    EXPECT_TRUE(IsWindow(about));

    // A click, made while another program is in front, brings the About box forward.
    OwnWindow own;
    own.BringToFront();
    Click(WM_LBUTTONUP);
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == about; }));
}

} // namespace
} // namespace vorna::e2e
