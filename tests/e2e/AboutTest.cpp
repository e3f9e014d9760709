// The About box driven through the real Vorna.exe: how it opens and closes, its link, and
// what a click on the link does when the shell refuses web addresses (the test runner turns
// Wine's browser launcher off) and the ".htm" open command is the test's stand-in browser.
#include "Driver.h"
#include "Fixture.h"

#include "res/Maker.h"
#include "tests/ui/LinkEnvironment.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace vorna::e2e {
namespace {

const std::wstring kAboutCaption = L"关于\"Lirel\" ";
constexpr int kLink = 1018;
constexpr int kOk = IDOK;
constexpr COLORREF kLinkBlue = RGB(0, 0, 238);
constexpr COLORREF kVisitedPurple = RGB(85, 26, 139);
// What Wine's shell answers for a web address when it has no browser launcher.
const std::wstring kShellRefusedText = L"Unable to open hyperlink:\n\nThe .EXE file is invalid\n"
                                       L"(non-Win32 .EXE or error in .EXE image).";

// A 32-bit top-down bitmap of width x height, selected into a memory DC like the screen's.
class Canvas {
public:
    Canvas(int width, int height)
        : m_screen(GetDC(nullptr)), m_memory(CreateCompatibleDC(m_screen)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(m_memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<DWORD*>(bits);
        m_old = SelectObject(m_memory, m_bitmap);
    }
    ~Canvas() {
        SelectObject(m_memory, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_memory);
        ReleaseDC(nullptr, m_screen);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Screen() const { return m_screen; }
    HDC Dc() const { return m_memory; }
    DWORD* Bits() const { return m_bits; }

private:
    HDC m_screen;
    HDC m_memory;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    DWORD* m_bits = nullptr;
};

// A screen area copied once, for reading many pixels.
class ScreenShot {
public:
    explicit ScreenShot(const RECT& area)
        : m_width(area.right - area.left), m_height(area.bottom - area.top) {
        const Canvas canvas(m_width, m_height);
        BitBlt(canvas.Dc(), 0, 0, m_width, m_height, canvas.Screen(), area.left, area.top, SRCCOPY);
        const DWORD* p = canvas.Bits();
        m_pixels.assign(p, p + static_cast<std::size_t>(m_width) * m_height);
    }

    // Pixels of exactly this colour.
    int Count(COLORREF colour) const {
        const DWORD wanted =
            (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
        int n = 0;
        for (DWORD p : m_pixels)
            n += (p & 0xFFFFFF) == wanted ? 1 : 0;
        return n;
    }
    const std::vector<DWORD>& Pixels() const { return m_pixels; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    int m_width;
    int m_height;
    std::vector<DWORD> m_pixels;
};

// How the icon looks drawn by this process over the background colour bits.
std::vector<DWORD> RenderIcon(HICON icon, int width, int height, DWORD background) {
    const Canvas canvas(width, height);
    DWORD* p = canvas.Bits();
    std::fill(p, p + width * height, background);
    DrawIconEx(canvas.Dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::vector<DWORD> pixels(p, p + width * height);
    for (DWORD& px : pixels)
        px &= 0xFFFFFF;
    return pixels;
}

// The message box's icon as it is on the screen, compared with a system icon drawn here.
bool ShowsIcon(HWND box, LPCWSTR systemIcon) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassName(child) != L"Static" || (Style(child) & SS_TYPEMASK) != SS_ICON)
            continue;
        const ScreenShot shot(WindowRect(child));
        std::vector<DWORD> seen = shot.Pixels();
        for (DWORD& px : seen)
            px &= 0xFFFFFF;
        return seen == RenderIcon(LoadIconW(nullptr, systemIcon), shot.Width(), shot.Height(),
                                  seen.front());
    }
    return false;
}

std::wstring RecorderPath() {
    std::wstring path = LINK_RECORDER_EXE;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

class AboutTest : public VornaFixture {
protected:
    void SetUp() override {
        VornaFixture::SetUp();
        Start();
    }

    // The visible About box of the program, once it is up.
    HWND WaitForAbout() const {
        HWND about = nullptr;
        const bool up = WaitUntil([&] {
            for (HWND dialog : app->Dialogs()) {
                if (IsWindowVisible(dialog) && GetText(dialog) == kAboutCaption) {
                    about = dialog;
                    return true;
                }
            }
            return false;
        });
        if (!up)
            throw DriverError("no About box: " + app->DescribeMessageBoxes());
        return about;
    }

    HWND OpenByButton() const {
        app->BringToFront();
        MouseClick(Centre(app->Control(ctl::kAbout)));
        return WaitForAbout();
    }

    bool WaitClosed(HWND about) const {
        return WaitUntil([&] { return !IsWindow(about); });
    }

    // Waits until the link's text is drawn in colour and no pixel of it in notColour.
    bool WaitLinkDrawnIn(HWND about, COLORREF colour, COLORREF notColour) const {
        const bool drawn = WaitUntil([&] {
            const ScreenShot shot(WindowRect(GetDlgItem(about, kLink)));
            return shot.Count(colour) > 0 && shot.Count(notColour) == 0;
        });
        if (!drawn) {
            const ScreenShot shot(WindowRect(GetDlgItem(about, kLink)));
            ADD_FAILURE() << "link pixels: link " << shot.Count(kLinkBlue) << ", visited "
                          << shot.Count(kVisitedPurple) << ", hover "
                          << shot.Count(GetSysColor(COLOR_HIGHLIGHT));
        }
        return drawn;
    }
};

TEST_F(AboutTest, TheAboutButtonOpensTheBoxWithTheFocusOnOkAndEnterClosesIt) {
    const HWND about = OpenByButton();
    EXPECT_EQ(GetText(about), kAboutCaption);
    EXPECT_EQ(GetText(GetDlgItem(about, kOk)), L"确定");
    EXPECT_TRUE(WaitUntil([&] { return app->Focus() == GetDlgItem(about, kOk); }));
    EXPECT_FALSE(IsWindowEnabled(app->Main()));

    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitClosed(about));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(app->Main()) != FALSE; }));
    EXPECT_FALSE(app->HasExited());
}

TEST_F(AboutTest, EscClosesTheBoxAndNotTheProgram) {
    const HWND about = OpenByButton();
    ASSERT_TRUE(WaitUntil([&] { return app->Focus() == GetDlgItem(about, kOk); }));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitClosed(about));
    app->Sync();
    EXPECT_FALSE(app->HasExited());
    EXPECT_TRUE(IsWindowVisible(app->Main()));
}

TEST_F(AboutTest, TheLinkShowsTheMakersAddressAndIsAttached) {
    const HWND about = OpenByButton();
    const HWND link = GetDlgItem(about, kLink);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(GetTextUtf8(link), VORNA_MAKER_URL);
    EXPECT_TRUE(Style(link) & SS_NOTIFY);

    // The tooltip that shows the address belongs to the About box.
    std::pair<HWND, bool> tip{about, false};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<std::pair<HWND, bool>*>(param);
            if (ClassName(window) == TOOLTIPS_CLASSW && GetWindow(window, GW_OWNER) == s.first)
                s.second = true;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&tip));
    EXPECT_TRUE(tip.second);

    // Drawn in the link colour, underlined or not, never in the visited colour at first.
    EXPECT_TRUE(WaitLinkDrawnIn(about, kLinkBlue, kVisitedPurple));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitClosed(about));
}

TEST_F(AboutTest, TheAboutSystemCommandOpensTheSameBox) {
    // The command id counts without its low four bits.
    for (WPARAM command : {WPARAM{0x10}, WPARAM{0x13}}) {
        Post(app->Main(), WM_SYSCOMMAND, command, 0);
        const HWND about = WaitForAbout();
        EXPECT_EQ(GetTextUtf8(GetDlgItem(about, kLink)), VORNA_MAKER_URL) << command;
        EXPECT_TRUE(WaitUntil([&] { return app->Focus() == GetDlgItem(about, kOk); })) << command;
        PressKey(VK_ESCAPE);
        EXPECT_TRUE(WaitClosed(about)) << command;
    }
    EXPECT_FALSE(app->HasExited());
}

class AboutLinkTest : public AboutTest {
protected:
    void SetUp() override {
        if (!test::ShellRefusesWeb())
            GTEST_SKIP() << "needs WINEDLLOVERRIDES holding winebrowser.exe=d, as the test "
                            "runner sets it";
        AboutTest::SetUp();
    }
};

TEST_F(AboutLinkTest, AClickThatCannotOpenTheAddressIsReportedWithTheExclamationIcon) {
    test::ScopedHtmCommand noCommand(std::nullopt);
    const HWND about = OpenByButton();
    MouseClick(Centre(GetDlgItem(about, kLink)));
    const HWND box = app->WaitForMessageBox();
    EXPECT_EQ(GetText(box), L"Vorna");
    EXPECT_EQ(VornaProcess::MessageBoxText(box), kShellRefusedText);
    EXPECT_EQ(GetWindow(box, GW_OWNER), about);
    EXPECT_TRUE(WaitUntil([&] { return ShowsIcon(box, IDI_EXCLAMATION); }));
    EXPECT_FALSE(ShowsIcon(box, IDI_HAND));
    VornaProcess::DismissMessageBox(box);

    // Not visited: once the pointer is off the link it is drawn in the link colour.
    MouseMove(POINT{WindowRect(about).left + 8, WindowRect(about).bottom - 8});
    EXPECT_TRUE(WaitLinkDrawnIn(about, kLinkBlue, kVisitedPurple));
    EXPECT_TRUE(IsWindow(about));
}

TEST_F(AboutLinkTest, TheHtmFallbackRunsWithTheAddressAndTheNextOpeningIsNotVisited) {
    test::RecordFile record;
    const std::string recorder = "\"" + Utf8(RecorderPath()) + "\" " + record.Option();
    test::ScopedHtmCommand command(recorder + " -page \"%1\" -new");

    HWND about = OpenByButton();
    const HWND link = GetDlgItem(about, kLink);
    ASSERT_TRUE(WaitLinkDrawnIn(about, kLinkBlue, kVisitedPurple));
    MouseClick(Centre(link));
    EXPECT_EQ(record.Wait(), recorder + " -page \"" + VORNA_MAKER_URL + "\" -new");
    app->Sync();
    EXPECT_FALSE(app->FindMessageBox().has_value()) << app->DescribeMessageBoxes();

    // Under the pointer the link keeps the hover colour; off it, it shows it was visited.
    EXPECT_TRUE(WaitLinkDrawnIn(about, GetSysColor(COLOR_HIGHLIGHT), kLinkBlue));
    MouseMove(POINT{WindowRect(about).left + 8, WindowRect(about).bottom - 8});
    EXPECT_TRUE(WaitLinkDrawnIn(about, kVisitedPurple, kLinkBlue));

    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitClosed(about));
    about = OpenByButton();
    EXPECT_TRUE(WaitLinkDrawnIn(about, kLinkBlue, kVisitedPurple));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitClosed(about));
}

} // namespace
} // namespace vorna::e2e
