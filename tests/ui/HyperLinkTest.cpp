// The hyperlink control in a real dialog of this process: attach, fitting, tooltip, colours
// through the reflected colour request, hover with the mouse capture, and clicks that go
// through the shell and the ".htm" fallback of the Wine prefix's registry.
#include "ui/controls/HyperLink.h"

#include "platform/Dialog.h"
#include "platform/Library.h"
#include "tests/ui/LinkEnvironment.h"
#include "tests/ui/LinkHost.h"
#include "ui/controls/LinkCommand.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace vorna;
using namespace std::chrono_literals;

namespace {

const std::string kAddress = "http://www.example.com/lirel";
constexpr COLORREF kLinkBlue = 0x00EE0000;
constexpr COLORREF kVisitedPurple = 0x008B1A55;

// A dialog whose four static controls are bound to hyperlink controls; the test body runs
// once the dialog is initialised, then the dialog ends.
class CLinkHost : public CDialog {
public:
    using Body = std::function<void(CLinkHost&)>;
    explicit CLinkHost(Body body) : CDialog(IDD_LINK_HOST), m_body(std::move(body)) {}

    void Run() { EXPECT_EQ(DoModal(), IDOK); }

    // Where a control stood in the template, in the dialog's client coordinates.
    RECT TemplateRect(int id) const { return m_templateRects.at(id); }

    RECT PlacedRect(const CWin& control) const {
        RECT r{};
        ::GetWindowRect(control.m_hWnd, &r);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    struct Paint {
        COLORREF text;
        int backgroundMode;
        HBRUSH brush;
    };
    // Asks the dialog for the control's colours as the control's painting would.
    Paint ColourRequest(const CWin& control) const {
        HDC dc = ::CreateCompatibleDC(nullptr);
        ::SetTextColor(dc, RGB(1, 2, 3));
        ::SetBkMode(dc, OPAQUE);
        LRESULT brush = ::SendMessageW(m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(control.m_hWnd));
        Paint paint{::GetTextColor(dc), ::GetBkMode(dc), reinterpret_cast<HBRUSH>(brush)};
        ::DeleteDC(dc);
        return paint;
    }

    void Click(const CWin& control) const {
        const int id = ::GetDlgCtrlID(control.m_hWnd);
        ::SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED),
                       reinterpret_cast<LPARAM>(control.m_hWnd));
    }

    CHyperLink m_text;
    CHyperLink m_empty;
    CHyperLink m_centre;
    CHyperLink m_right;

protected:
    void DoDataExchange(CDataExchange& dx) override {
        CDialog::DoDataExchange(dx);
        const std::pair<int, CHyperLink*> links[] = {{IDC_LINK_TEXT, &m_text},
                                                     {IDC_LINK_EMPTY, &m_empty},
                                                     {IDC_LINK_CENTRE, &m_centre},
                                                     {IDC_LINK_RIGHT, &m_right}};
        for (const auto& [id, link] : links) {
            if (!link->m_hWnd) {
                RECT r{};
                ::GetWindowRect(GetItem(id), &r);
                ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
                m_templateRects[id] = r;
            }
            dx.Control(id, *link);
        }
    }

    bool OnInitDialog() override {
        CDialog::OnInitDialog();
        m_body(*this);
        EndDialog(IDOK);
        return true;
    }

private:
    Body m_body;
    std::map<int, RECT> m_templateRects;
};

SIZE TextExtent(const CWin& control) {
    const std::wstring text = control.GetTextWide();
    HDC dc = ::GetDC(control.m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(control.Send(WM_GETFONT)));
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc, old);
    ::ReleaseDC(control.m_hWnd, dc);
    return extent;
}

bool Underlined(const CWin& control) {
    LOGFONTW description{};
    GetFontDescription(reinterpret_cast<HFONT>(control.Send(WM_GETFONT)), description);
    return description.lfUnderline != 0;
}

// The tooltip that has a tool for this control, and that tool's text and rectangle.
struct Tip {
    HWND window = nullptr;
    std::string text;
    RECT rect{};
};

Tip FindTip(const CWin& control) {
    struct Search {
        HWND tool;
        Tip tip;
    } search{control.m_hWnd, {}};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            wchar_t cls[64] = {};
            ::GetClassNameW(window, cls, 64);
            if (std::wstring(cls) != TOOLTIPS_CLASSW)
                return TRUE;
            char text[1024] = {};
            TTTOOLINFOA info{};
            info.cbSize = TTTOOLINFOA_V2_SIZE;
            info.hwnd = s.tool;
            info.uId = 1;
            if (!::SendMessageA(window, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info)))
                return TRUE;
            s.tip.window = window;
            s.tip.rect = info.rect;
            info.lpszText = text;
            ::SendMessageA(window, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
            s.tip.text = text;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.tip;
}

void Move(const CWin& control, int x, int y) {
    control.Send(WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

TEST(HyperLink, AttachMakesTheTemplateTextALink) {
    CLinkHost host([](CLinkHost& h) {
        EXPECT_EQ(h.m_text.GetTextAnsi(), kAddress);
        EXPECT_TRUE(::GetWindowLongW(h.m_text, GWL_STYLE) & SS_NOTIFY);
        EXPECT_TRUE(Underlined(h.m_text));

        const Tip tip = FindTip(h.m_text);
        ASSERT_NE(tip.window, nullptr);
        EXPECT_EQ(tip.text, kAddress);
        const RECT client = h.m_text.GetClientRect();
        EXPECT_TRUE(::EqualRect(&tip.rect, &client));
        EXPECT_EQ(::SendMessageW(tip.window, TTM_GETTOOLCOUNT, 0, 0), 1);
    });
    host.Run();
}

TEST(HyperLink, AnAddressSetBeforeAttachBecomesTheEmptyControlsText) {
    const std::string preset = "http://www.example.com/preset";
    CLinkHost host([&](CLinkHost& h) {
        EXPECT_EQ(h.m_empty.GetTextAnsi(), preset);
        EXPECT_EQ(FindTip(h.m_empty).text, preset);
    });
    host.m_empty.SetURL(preset);
    host.Run();
}

TEST(HyperLink, FittingKeepsTheEdgeOrCentreOfTheAlignment) {
    CLinkHost host([](CLinkHost& h) {
        {
            // Left-aligned, narrower than its text in the template: it grows to the right.
            const RECT before = h.TemplateRect(IDC_LINK_TEXT);
            const RECT after = h.PlacedRect(h.m_text);
            const SIZE text = TextExtent(h.m_text);
            EXPECT_EQ(after.left, before.left);
            EXPECT_EQ(after.top, before.top);
            EXPECT_EQ(after.right - after.left, text.cx);
            EXPECT_EQ(after.bottom - after.top, text.cy);
            EXPECT_GT(after.right, before.right);
        }
        {
            const RECT before = h.TemplateRect(IDC_LINK_CENTRE);
            const RECT after = h.PlacedRect(h.m_centre);
            const SIZE text = TextExtent(h.m_centre);
            EXPECT_EQ(after.left, before.left + (before.right - before.left - text.cx) / 2);
            EXPECT_EQ(after.right, before.right - (before.right - before.left - text.cx) / 2);
            EXPECT_EQ(after.top, before.top + (before.bottom - before.top - text.cy) / 2);
            EXPECT_EQ(after.bottom, before.bottom - (before.bottom - before.top - text.cy) / 2);
        }
        {
            const RECT before = h.TemplateRect(IDC_LINK_RIGHT);
            const RECT after = h.PlacedRect(h.m_right);
            const SIZE text = TextExtent(h.m_right);
            EXPECT_EQ(after.right, before.right);
            EXPECT_EQ(after.left, before.right - text.cx);
            EXPECT_EQ(after.top, before.top);
            EXPECT_EQ(after.bottom, before.top + text.cy);
        }
    });
    host.Run();
}

TEST(HyperLink, SetUrlOnALiveControlChangesTheAddressAndTipNotTheText) {
    CLinkHost host([](CLinkHost& h) {
        const RECT before = h.PlacedRect(h.m_text);
        h.m_text.SetURL("http://www.example.com/other");
        EXPECT_EQ(h.m_text.GetTextAnsi(), kAddress);
        EXPECT_EQ(FindTip(h.m_text).text, "http://www.example.com/other");
        const RECT after = h.PlacedRect(h.m_text);
        EXPECT_TRUE(::EqualRect(&before, &after));
    });
    host.Run();
}

TEST(HyperLink, UnderlineOffRebuildsTheFontAndKeepsTheSize) {
    CLinkHost host([](CLinkHost& h) {
        const RECT before = h.PlacedRect(h.m_text);
        h.m_text.SetUnderline(FALSE);
        EXPECT_FALSE(Underlined(h.m_text));
        const RECT after = h.PlacedRect(h.m_text);
        EXPECT_TRUE(::EqualRect(&before, &after));
        h.m_text.SetUnderline(TRUE);
        EXPECT_TRUE(Underlined(h.m_text));
    });
    host.Run();
}

TEST(HyperLink, AutoSizeOffLeavesTheSizeAndOnFitsAtOnce) {
    CLinkHost host([](CLinkHost& h) {
        const RECT before = h.PlacedRect(h.m_text);
        h.m_text.SetAutoSize(FALSE);
        h.m_text.SetTextAnsi("http://www.example.com/a/much/longer/address");
        h.m_text.SetURL("http://www.example.com/a/much/longer/address");
        RECT now = h.PlacedRect(h.m_text);
        EXPECT_TRUE(::EqualRect(&before, &now));

        h.m_text.SetAutoSize(TRUE);
        now = h.PlacedRect(h.m_text);
        EXPECT_EQ(now.left, before.left);
        EXPECT_EQ(now.right - now.left, TextExtent(h.m_text).cx);
        EXPECT_GT(now.right, before.right);
    });
    host.Run();
}

TEST(HyperLink, ColourRequestFollowsHoverThenVisitedThenLink) {
    CLinkHost host([](CLinkHost& h) {
        CHyperLink& link = h.m_text;
        auto paint = h.ColourRequest(link);
        EXPECT_EQ(paint.text, kLinkBlue);
        EXPECT_EQ(paint.backgroundMode, TRANSPARENT);
        EXPECT_EQ(paint.brush, static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));

        link.SetVisited(TRUE);
        EXPECT_EQ(h.ColourRequest(link).text, kVisitedPurple);

        // Entering takes the capture and the hover colour, which beats visited.
        Move(link, 3, 2);
        EXPECT_EQ(::GetCapture(), link.m_hWnd);
        EXPECT_EQ(h.ColourRequest(link).text, ::GetSysColor(COLOR_HIGHLIGHT));

        link.SetVisited(FALSE);
        EXPECT_EQ(h.ColourRequest(link).text, ::GetSysColor(COLOR_HIGHLIGHT));
        Move(link, -5, 2);
        EXPECT_NE(::GetCapture(), link.m_hWnd);
        EXPECT_EQ(h.ColourRequest(link).text, kLinkBlue);
    });
    host.Run();
}

TEST(HyperLink, LeavingIsTheFirstMoveOutsideTheClientRectangle) {
    CLinkHost host([](CLinkHost& h) {
        CHyperLink& link = h.m_text;
        const RECT client = link.GetClientRect();
        const COLORREF hover = ::GetSysColor(COLOR_HIGHLIGHT);
        struct Step {
            int x;
            int y;
            bool over;
        };
        const Step steps[] = {
            {5, 3, true},
            {0, 0, true},
            {client.right - 1, client.bottom - 1, true},
            {client.right, 0, false},
            {1, 1, true},
            {0, client.bottom, false},
            {2, 2, true},
            {0, -1, false},
            {2, 2, true},
            {-1, 0, false},
        };
        for (const Step& s : steps) {
            Move(link, s.x, s.y);
            EXPECT_EQ(::GetCapture() == link.m_hWnd, s.over) << s.x << "," << s.y;
            EXPECT_EQ(h.ColourRequest(link).text, s.over ? hover : kLinkBlue) << s.x << "," << s.y;
        }
    });
    host.Run();
}

TEST(HyperLink, LosingTheCaptureEndsTheHover) {
    CLinkHost host([](CLinkHost& h) {
        CHyperLink& link = h.m_text;
        Move(link, 3, 2);
        ASSERT_EQ(::GetCapture(), link.m_hWnd);
        // Something else takes the mouse, as a message box does.
        ::SetCapture(h.m_right.m_hWnd);
        EXPECT_EQ(h.ColourRequest(link).text, kLinkBlue);
        ::ReleaseCapture();
        // The next move over the link enters it again.
        Move(link, 3, 2);
        EXPECT_EQ(::GetCapture(), link.m_hWnd);
        EXPECT_EQ(h.ColourRequest(link).text, ::GetSysColor(COLOR_HIGHLIGHT));
        Move(link, -1, 2);
    });
    host.Run();
}

// Colours set on a control without a window are the ones drawn once it is attached; -1 as
// the hover colour stands for the system's highlight colour.
TEST(HyperLink, ColoursSetBeforeAttachAreDrawn) {
    const struct {
        COLORREF hoverGiven;
        COLORREF hoverDrawn;
    } cases[] = {
        {RGB(3, 3, 3), RGB(3, 3, 3)},
        {static_cast<COLORREF>(-1), ::GetSysColor(COLOR_HIGHLIGHT)},
    };
    for (const auto& c : cases) {
        CLinkHost host([&](CLinkHost& h) {
            CHyperLink& link = h.m_text;
            EXPECT_EQ(h.ColourRequest(link).text, RGB(1, 1, 1));
            link.SetVisited(TRUE);
            EXPECT_EQ(h.ColourRequest(link).text, RGB(2, 2, 2));
            Move(link, 3, 2);
            EXPECT_EQ(h.ColourRequest(link).text, c.hoverDrawn);
            Move(link, -1, 2);
        });
        host.m_text.SetColors(RGB(1, 1, 1), RGB(2, 2, 2), c.hoverGiven);
        host.Run();
    }
}

// The cursor the control sets when asked over its client area (the arrow when it sets none).
HCURSOR CursorShownOver(const CHyperLink& link) {
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(link.Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(link.m_hWnd),
                        MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    return ::GetCursor();
}

TEST(HyperLink, AGivenCursorIsShownOverTheLink) {
    CLinkHost host([](CLinkHost& h) {
        HCURSOR cross = ::LoadCursorW(nullptr, IDC_CROSS);
        h.m_text.SetLinkCursor(cross);
        EXPECT_EQ(CursorShownOver(h.m_text), cross);
    });
    host.Run();
}

// The names of the modules loaded as programs or libraries into this process.
std::vector<std::wstring> LoadedModules() {
    std::vector<std::wstring> names;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, ::GetCurrentProcessId());
    if (snapshot == INVALID_HANDLE_VALUE)
        return names;
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    for (BOOL more = ::Module32FirstW(snapshot, &module); more;
         more = ::Module32NextW(snapshot, &module)) {
        std::wstring name = module.szModule;
        for (wchar_t& c : name)
            c = static_cast<wchar_t>(::towlower(c));
        names.push_back(name);
    }
    ::CloseHandle(snapshot);
    return names;
}

bool IsLoadedModule(const std::wstring& lowerName) {
    const std::vector<std::wstring> names = LoadedModules();
    return std::find(names.begin(), names.end(), lowerName) != names.end();
}

// The default cursor is the system's shared hand, and no program file is loaded to get it.
// Where a system lacks the hand, the help program is opened the way checked here: as data,
// never as a module whose code or imports could run.
TEST(HyperLinkCursor, IsTheSystemHandAndNoProgramIsLoadedAsCodeForIt) {
    const HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
    ASSERT_NE(hand, nullptr);
    // The list does show what is loaded.
    ASSERT_TRUE(IsLoadedModule(L"kernel32.dll"));
    CLinkHost host([&](CLinkHost& h) {
        EXPECT_FALSE(IsLoadedModule(L"winhlp32.exe"));
        EXPECT_EQ(CursorShownOver(h.m_text), hand);
        // Given back to the default, the shared hand again.
        h.m_text.SetLinkCursor(::LoadCursorW(nullptr, IDC_CROSS));
        h.m_text.SetLinkCursor(nullptr);
        EXPECT_EQ(CursorShownOver(h.m_text), hand);
    });
    host.Run();

    wchar_t folder[MAX_PATH] = {};
    ASSERT_GT(::GetWindowsDirectoryW(folder, MAX_PATH), 0u);
    const std::wstring program = std::wstring(folder) + L"\\notepad.exe";
    ASSERT_FALSE(IsLoadedModule(L"notepad.exe"));
    const CModule data(LoadResourcesOnly(program.c_str()));
    ASSERT_TRUE(data);
    EXPECT_FALSE(IsLoadedModule(L"notepad.exe"));
    EXPECT_EQ(::GetModuleHandleW(L"notepad.exe"), nullptr);
    HMODULE owner = nullptr;
    EXPECT_FALSE(::GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(reinterpret_cast<ULONG_PTR>(data.Get()) & ~ULONG_PTR{3}), &owner))
        << "the file is mapped as a module";
    // Its resources are there to read.
    int iconGroups = 0;
    ::EnumResourceNamesW(
        data.Get(), reinterpret_cast<LPCWSTR>(RT_GROUP_ICON),
        [](HMODULE, LPCWSTR, LPWSTR, LONG_PTR count) -> BOOL {
            ++*reinterpret_cast<int*>(count);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&iconGroups));
    EXPECT_GT(iconGroups, 0);
}

// ---- Clicks

// What a message box of this process showed before a watcher closed it.
struct SeenBox {
    bool found = false;
    std::wstring caption;
    std::wstring text;
    HICON icon = nullptr;
};

// Waits on another thread for a message box owned by owner, reads it and presses OK.
class BoxWatcher {
public:
    explicit BoxWatcher(HWND owner) : m_owner(owner), m_thread([this] { Watch(); }) {}
    ~BoxWatcher() { Stop(); }
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    SeenBox Stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_seen;
    }

private:
    void Watch() {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (!m_stop && std::chrono::steady_clock::now() < deadline) {
            if (HWND box = FindBox()) {
                Read(box);
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            std::this_thread::sleep_for(20ms);
        }
    }

    HWND FindBox() const {
        struct Search {
            HWND owner;
            HWND found;
        } search{m_owner, nullptr};
        ::EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                auto& s = *reinterpret_cast<Search*>(param);
                wchar_t cls[16] = {};
                ::GetClassNameW(window, cls, 16);
                if (std::wstring(cls) == L"#32770" && ::GetWindow(window, GW_OWNER) == s.owner &&
                    ::IsWindowVisible(window)) {
                    s.found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    void Read(HWND box) {
        wchar_t buffer[1024] = {};
        ::GetWindowTextW(box, buffer, 1024);
        m_seen.caption = buffer;
        ::GetDlgItemTextW(box, 0xFFFF, buffer, 1024);
        m_seen.text = buffer;
        for (HWND child = ::GetWindow(box, GW_CHILD); child;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                wchar_t cls[16] = {};
                ::GetClassNameW(child, cls, 16);
                if (_wcsicmp(cls, L"Static") == 0)
                    m_seen.icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
            }
        }
        m_seen.found = true;
    }

    HWND m_owner;
    std::atomic<bool> m_stop{false};
    SeenBox m_seen;
    std::thread m_thread;
};

std::string RecorderPath() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    dir.erase(dir.find_last_of('\\') + 1);
    return dir + "link_recorder.exe";
}

std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

class HyperLinkClick : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::ShellRefusesWeb())
            GTEST_SKIP() << "needs Wine with WINEDLLOVERRIDES holding winebrowser.exe=d, as "
                            "the test runner sets it";
    }
};

TEST_F(HyperLinkClick, ShellRefusalWithoutAnOpenCommandIsReportedAndNotVisited) {
    test::ScopedHtmCommand noCommand(std::nullopt);
    CLinkHost host([](CLinkHost& h) {
        h.m_text.SetVisited(TRUE);
        BoxWatcher watcher(h.m_hWnd);
        h.Click(h.m_text);
        const SeenBox box = watcher.Stop();
        ASSERT_TRUE(box.found);
        EXPECT_EQ(box.caption, L"link_tests");
        EXPECT_EQ(box.text, Wide(OpenErrorMessage(11)));
        EXPECT_EQ(box.icon, ::LoadIconW(nullptr, IDI_EXCLAMATION));
        EXPECT_EQ(h.ColourRequest(h.m_text).text, kLinkBlue);
    });
    host.Run();
}

std::string TempFolder() {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    std::string folder = temp;
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

std::string Environment(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD n = ::GetEnvironmentVariableA(name, value, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(value, n) : std::string();
}

// A copy of the stand-in browser in a folder whose name has a blank, beside a file that an
// unquoted path would run first ("<temp>\vorna link\..." is also "<temp>\vorna.exe" plus
// arguments). Removed again at the end.
class PlantedRecorder {
public:
    PlantedRecorder()
        : m_folder(TempFolder() + "\\vorna link"), m_decoy(TempFolder() + "\\vorna.exe") {
        ::CreateDirectoryA(m_folder.c_str(), nullptr);
        ::CopyFileA(RecorderPath().c_str(), Path().c_str(), FALSE);
        HANDLE decoy = ::CreateFileA(m_decoy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (decoy != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            ::WriteFile(decoy, "not a program", 13, &written, nullptr);
            ::CloseHandle(decoy);
        }
    }
    ~PlantedRecorder() {
        ::DeleteFileA(Path().c_str());
        ::RemoveDirectoryA(m_folder.c_str());
        ::DeleteFileA(m_decoy.c_str());
    }
    PlantedRecorder(const PlantedRecorder&) = delete;
    PlantedRecorder& operator=(const PlantedRecorder&) = delete;

    std::string Folder() const { return m_folder; }
    std::string Path() const { return m_folder + "\\link_recorder.exe"; }
    bool Ready() const {
        return ::GetFileAttributesA(Path().c_str()) != INVALID_FILE_ATTRIBUTES &&
               ::GetFileAttributesA(m_decoy.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

private:
    std::string m_folder;
    std::string m_decoy;
};

// Each registry command starts the stand-in browser with the command line made of it: the
// program quoted, the address in place of its placeholder, every other argument kept, a
// REG_EXPAND_SZ command's variables expanded.
TEST_F(HyperLinkClick, FallbackStartsTheHtmOpenCommandWithTheAddressInPlace) {
    const PlantedRecorder planted;
    ASSERT_TRUE(planted.Ready());
    const std::string systemRoot = Environment("SystemRoot");
    ASSERT_FALSE(systemRoot.empty());
    ::SetEnvironmentVariableA("VORNA_TEST_RECORDER_DIR", planted.Folder().c_str());

    const std::string quoted = "\"" + RecorderPath() + "\"";
    struct Case {
        const char* name;
        std::string command; // {} stands for the recorder's --record option
        DWORD type;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"quoted path, quoted placeholder between options", quoted + " {} -page \"%1\" -new",
         REG_SZ, quoted + " {} -page \"" + kAddress + "\" -new"},
        {"bare placeholder with an option after it", quoted + " {} %1 -new", REG_SZ,
         quoted + " {} " + kAddress + " -new"},
        {"placeholder in the middle of an argument", quoted + " {} --url=%1;tab", REG_SZ,
         quoted + " {} --url=" + kAddress + ";tab"},
        {"no placeholder", quoted + " {} -new", REG_SZ, quoted + " {} -new " + kAddress},
        {"unquoted path with a blank, a shorter one planted", planted.Path() + " {} %1", REG_SZ,
         "\"" + planted.Path() + "\" {} " + kAddress},
        {"REG_EXPAND_SZ with %SystemRoot% and a variable in the program path",
         "\"%VORNA_TEST_RECORDER_DIR%\\link_recorder.exe\" {} -profile \"%SystemRoot%\\p\" \"%1\"",
         REG_EXPAND_SZ,
         "\"" + planted.Path() + "\" {} -profile \"" + systemRoot + "\\p\" \"" + kAddress + "\""},
        {"REG_SZ keeps its percent signs", quoted + " {} -x %SystemRoot% %1", REG_SZ,
         quoted + " {} -x %SystemRoot% " + kAddress},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::RecordFile record;
        const auto withOption = [&](std::string text) {
            const std::size_t at = text.find("{}");
            return at == std::string::npos ? text : text.replace(at, 2, record.Option());
        };
        test::ScopedHtmCommand command(withOption(c.command), c.type);
        CLinkHost host([&](CLinkHost& h) {
            BoxWatcher watcher(h.m_hWnd);
            h.Click(h.m_text);
            const SeenBox box = watcher.Stop();
            EXPECT_FALSE(box.found) << std::string(box.text.begin(), box.text.end());
            EXPECT_EQ(h.ColourRequest(h.m_text).text, kVisitedPurple);
            EXPECT_EQ(record.Wait(), withOption(c.expected));
        });
        host.Run();
    }
    ::SetEnvironmentVariableA("VORNA_TEST_RECORDER_DIR", nullptr);
}

// A command that cannot be started is reported with the table's text for the reason.
TEST_F(HyperLinkClick, AFallbackThatCannotStartIsReportedWithItsReason) {
    char folder[MAX_PATH] = {};
    ASSERT_GT(::GetWindowsDirectoryA(folder, MAX_PATH), 0u);
    const std::string windows = folder;
    const struct {
        const char* name;
        std::string command;
        int code;
    } cases[] = {
        {"no such program", "\"" + windows + "\\no-such-browser.exe\" \"%1\"", 2},
        {"not a program", "\"" + windows + "\\win.ini\" \"%1\"", 11},
        {"a folder", "\"" + windows + "\" \"%1\"", 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScopedHtmCommand command(c.command);
        CLinkHost host([&](CLinkHost& h) {
            BoxWatcher watcher(h.m_hWnd);
            h.Click(h.m_text);
            const SeenBox box = watcher.Stop();
            ASSERT_TRUE(box.found);
            EXPECT_EQ(box.text, Wide(OpenErrorMessage(c.code)));
            EXPECT_EQ(box.icon, ::LoadIconW(nullptr, IDI_EXCLAMATION));
            EXPECT_EQ(h.ColourRequest(h.m_text).text, kLinkBlue);
        });
        host.Run();
    }
}

TEST_F(HyperLinkClick, AFailedClickAfterASuccessfulOneClearsVisited) {
    test::RecordFile record;
    CLinkHost host([&](CLinkHost& h) {
        {
            test::ScopedHtmCommand command("\"" + RecorderPath() + "\" " + record.Option() + " %1");
            h.Click(h.m_text);
            EXPECT_EQ(h.ColourRequest(h.m_text).text, kVisitedPurple);
            EXPECT_FALSE(record.Wait().empty());
        }
        test::ScopedHtmCommand noCommand(std::nullopt);
        BoxWatcher watcher(h.m_hWnd);
        h.Click(h.m_text);
        EXPECT_TRUE(watcher.Stop().found);
        EXPECT_EQ(h.ColourRequest(h.m_text).text, kLinkBlue);
    });
    host.Run();
}

TEST_F(HyperLinkClick, AnOpenCommandTooLongForTheRegistryBufferIsNotRun) {
    // Longer than the 260 bytes the value is read into: the shell's own failure is reported.
    test::RecordFile record;
    test::ScopedHtmCommand command("\"" + RecorderPath() + "\" " + record.Option() + " " +
                                   std::string(300, 'x') + " \"%1\"");
    CLinkHost host([&](CLinkHost& h) {
        BoxWatcher watcher(h.m_hWnd);
        h.Click(h.m_text);
        const SeenBox box = watcher.Stop();
        ASSERT_TRUE(box.found);
        EXPECT_EQ(box.text, Wide(OpenErrorMessage(11)));
        EXPECT_EQ(h.ColourRequest(h.m_text).text, kLinkBlue);
    });
    host.Run();
    EXPECT_FALSE(record.Exists());
}

TEST_F(HyperLinkClick, ACommandLineTooLongForTheCommandBufferIsRefusedNotRun) {
    // The open command fits its registry buffer, but with the address it would not fit the
    // 520-byte command line.
    test::RecordFile record;
    const std::string start = "\"" + RecorderPath() + "\" " + record.Option() + " ";
    const std::string placeholder = " \"%1\"";
    // 240 bytes in all, well within the 260 bytes of the registry read.
    ASSERT_LT(start.size() + placeholder.size(), 240u);
    test::ScopedHtmCommand command(
        start + std::string(240 - start.size() - placeholder.size(), 'x') + placeholder);
    const std::string longAddress = "http://www.example.com/" + std::string(400, 'p');
    CLinkHost host([&](CLinkHost& h) {
        h.m_text.SetURL(longAddress);
        BoxWatcher watcher(h.m_hWnd);
        h.Click(h.m_text);
        const SeenBox box = watcher.Stop();
        ASSERT_TRUE(box.found);
        EXPECT_EQ(box.text, Wide(OpenErrorMessage(kOpenCommandTooLong)));
        EXPECT_EQ(box.icon, ::LoadIconW(nullptr, IDI_EXCLAMATION));
        EXPECT_EQ(h.ColourRequest(h.m_text).text, kLinkBlue);
    });
    host.Run();
    EXPECT_FALSE(record.Exists());
}

} // namespace
