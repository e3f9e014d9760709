#include "ui/controls/HyperLink.h"

#include "knowledge/Search.h"
#include "platform/App.h"
#include "platform/Library.h"
#include "platform/Text.h"
#include "ui/controls/LinkCommand.h"

#include <shellapi.h>
#include <windowsx.h>

#include <utility>
#include <vector>

namespace vorna {
namespace {

constexpr UINT kToolId = 1;
constexpr COLORREF kLinkBlue = RGB(0, 0, 238);
constexpr COLORREF kVisitedPurple = RGB(85, 26, 139);
constexpr WORD kHandCursorId = 106;
constexpr int kShellSuccessAbove = 32;

// The control's font, or the system font a static control draws with when it has none.
LOGFONTW CurrentFontDescription(HWND control) {
    LOGFONTW description{};
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    if (!GetFontDescription(font, description))
        GetFontDescription(static_cast<HFONT>(::GetStockObject(SYSTEM_FONT)), description);
    return description;
}

} // namespace

CHyperLink::CHyperLink()
    : m_crLink(kLinkBlue), m_crVisited(kVisitedPurple), m_crHover(::GetSysColor(COLOR_HIGHLIGHT)) {}

CHyperLink::~CHyperLink() {
    m_fontLink.Delete();
}

// ---- Setters and getters

void CHyperLink::SetURL(std::string url) {
    m_strURL = std::move(url);
    if (HasLiveWindow()) {
        FitToText();
        m_toolTip.UpdateTipText(m_strURL, *this, kToolId);
    }
}

std::string CHyperLink::GetURL() const {
    return m_strURL;
}

void CHyperLink::SetColors(COLORREF link, COLORREF visited, COLORREF hover) {
    m_crLink = link;
    m_crVisited = visited;
    m_crHover = hover == static_cast<COLORREF>(-1) ? ::GetSysColor(COLOR_HIGHLIGHT) : hover;
    if (HasLiveWindow())
        Invalidate(true);
}

COLORREF CHyperLink::GetLinkColor() const {
    return m_crLink;
}

COLORREF CHyperLink::GetVisitedColor() const {
    return m_crVisited;
}

COLORREF CHyperLink::GetHoverColor() const {
    return m_crHover;
}

void CHyperLink::SetVisited(BOOL visited) {
    m_bVisited = visited;
    if (HasLiveWindow())
        Invalidate(true);
}

BOOL CHyperLink::GetVisited() const {
    return m_bVisited;
}

void CHyperLink::SetLinkCursor(HCURSOR cursor) {
    m_hLinkCursor = cursor;
    if (!m_hLinkCursor)
        LoadDefaultCursor();
}

HCURSOR CHyperLink::GetLinkCursor() const {
    return m_hLinkCursor;
}

void CHyperLink::SetUnderline(BOOL underline) {
    m_bUnderline = underline;
    if (HasLiveWindow()) {
        RebuildFont();
        Invalidate(true);
    }
}

BOOL CHyperLink::GetUnderline() const {
    return m_bUnderline;
}

void CHyperLink::SetAutoSize(BOOL autoSize) {
    m_bAutoSize = autoSize;
    if (HasLiveWindow())
        FitToText();
}

BOOL CHyperLink::GetAutoSize() const {
    return m_bAutoSize;
}

bool CHyperLink::HasLiveWindow() const {
    return m_hWnd && ::IsWindow(m_hWnd);
}

// ---- Attach, pre-translation and messages

void CHyperLink::PreSubclassWindow() {
    // Without SS_NOTIFY a static control neither reports clicks nor sees the mouse.
    const LONG style = ::GetWindowLongA(m_hWnd, GWL_STYLE);
    ::SetWindowLongA(m_hWnd, GWL_STYLE, style | SS_NOTIFY);

    if (m_strURL.empty())
        m_strURL = GetTextAnsi();
    if (GetTextAnsi().empty())
        SetTextAnsi(m_strURL);

    LOGFONTW description = CurrentFontDescription(m_hWnd);
    description.lfUnderline = static_cast<BYTE>(m_bUnderline ? TRUE : FALSE);
    m_fontLink.CreateIndirect(description);
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(m_fontLink)), TRUE);

    FitToText();
    LoadDefaultCursor();

    const RECT client = GetClientRect();
    if (m_toolTip.Create(*this))
        m_toolTip.AddTool(*this, m_strURL, client, kToolId);

    CStatic::PreSubclassWindow();
}

bool CHyperLink::PreTranslateMessage(MSG* msg) {
    m_toolTip.RelayEvent(msg);
    return CStatic::PreTranslateMessage(msg);
}

bool CHyperLink::OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == STN_CLICKED) {
            OnLinkClicked();
            result = 0;
            return true;
        }
        break;
    case WM_CTLCOLORSTATIC:
        result = reinterpret_cast<LRESULT>(OnCtlColor(reinterpret_cast<HDC>(wParam)));
        return true;
    }
    return CStatic::OnReflectedMessage(message, wParam, lParam, result);
}

bool CHyperLink::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_SETCURSOR:
        result = OnSetCursor();
        return true;
    case WM_MOUSEMOVE:
        DefaultProc(message, wParam, lParam);
        OnMouseMove(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        result = 0;
        return true;
    case WM_CAPTURECHANGED:
        OnCaptureChanged(reinterpret_cast<HWND>(lParam));
        return false;
    }
    return CStatic::OnMessage(message, wParam, lParam, result);
}

HBRUSH CHyperLink::OnCtlColor(HDC dc) {
    COLORREF text = m_crLink;
    if (m_bMouseOver)
        text = m_crHover;
    else if (m_bVisited)
        text = m_crVisited;
    ::SetTextColor(dc, text);
    ::SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

void CHyperLink::OnMouseMove(POINT point) {
    constexpr UINT kRedrawNow = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
    const RECT c = GetClientRect();
    switch (NextHover(m_bMouseOver != FALSE, LinkRect{c.left, c.top, c.right, c.bottom}, point.x,
                      point.y)) {
    case HoverChange::enter:
        m_bMouseOver = TRUE;
        ::RedrawWindow(m_hWnd, nullptr, nullptr, kRedrawNow);
        // Held while the pointer is over the link, so the move that leaves it comes here too.
        ::SetCapture(m_hWnd);
        break;
    case HoverChange::leave:
        m_bMouseOver = FALSE;
        ::ReleaseCapture();
        ::RedrawWindow(m_hWnd, nullptr, nullptr, kRedrawNow);
        break;
    case HoverChange::none:
        break;
    }
}

// Leaving is seen only through the capture. When something else takes it (a message box, a
// menu), the pointer's later moves no longer come here, so the hover ends now instead of
// staying on for good.
void CHyperLink::OnCaptureChanged(HWND newCapture) {
    if (!m_bMouseOver || newCapture == m_hWnd)
        return;
    m_bMouseOver = FALSE;
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

BOOL CHyperLink::OnSetCursor() {
    if (!m_hLinkCursor)
        return FALSE;
    ::SetCursor(m_hLinkCursor);
    return TRUE;
}

void CHyperLink::OnLinkClicked() {
    const int result = OpenURL(m_strURL, SW_SHOW);
    m_bVisited = result > kShellSuccessAbove ? TRUE : FALSE;
    if (m_bVisited) {
        SetVisited(TRUE);
    } else {
        ::MessageBeep(MB_ICONEXCLAMATION);
        ReportOpenError(result);
    }
}

// ---- Font, size and cursor

void CHyperLink::RebuildFont() {
    LOGFONTW description = CurrentFontDescription(m_hWnd);
    description.lfUnderline = static_cast<BYTE>(m_bUnderline ? TRUE : FALSE);
    m_fontLink.Delete();
    m_fontLink.CreateIndirect(description);
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(m_fontLink)), TRUE);
}

void CHyperLink::FitToText() {
    if (!HasLiveWindow() || !m_bAutoSize)
        return;
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    if (HWND parent = ::GetParent(m_hWnd))
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);

    SIZE extent{};
    {
        const std::wstring text = GetTextWide();
        CClientDC dc(m_hWnd);
        CSelectObject font(dc, m_fontLink);
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    }

    const DWORD style = static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE));
    const LinkRect fitted =
        FitRectToText(LinkRect{window.left, window.top, window.right, window.bottom}, style,
                      extent.cx, extent.cy);
    ::SetWindowPos(m_hWnd, nullptr, fitted.left, fitted.top, fitted.right - fitted.left,
                   fitted.bottom - fitted.top, SWP_NOZORDER);
}

void CHyperLink::LoadDefaultCursor() {
    if (m_hLinkCursor)
        return;
    char path[MAX_PATH] = {};
    const UINT n = ::GetWindowsDirectoryA(path, MAX_PATH);
    constexpr char kHelpProgram[] = "\\winhlp32.exe";
    if (n == 0 || n + sizeof kHelpProgram > MAX_PATH)
        return;
    ::lstrcatA(path, kHelpProgram);
    CLibrary help(path);
    if (!help)
        return;
    if (HCURSOR cursor = ::LoadCursorA(help.Get(), MAKEINTRESOURCEA(kHandCursorId))) {
        // The copy outlives the library it came from.
        HCURSOR copy = static_cast<HCURSOR>(::CopyIcon(cursor));
        m_cursorCopy.Reset(copy);
        m_hLinkCursor = copy;
    }
}

// ---- The link opener

int CHyperLink::OpenURL(const std::string& url, int showCommand) {
    const int shell = static_cast<int>(reinterpret_cast<INT_PTR>(
        ::ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, showCommand)));
    if (shell > kShellSuccessAbove)
        return shell;

    char buffer[kCommandBytes] = {};
    if (ReadRegDefault(HKEY_CLASSES_ROOT, ".htm", buffer, sizeof buffer) != ERROR_SUCCESS)
        return shell;
    // The class name is at most kRegValueBytes - 1 bytes, so the key name fits the buffer.
    ::lstrcatA(buffer, "\\shell\\open\\command");
    if (ReadRegDefault(HKEY_CLASSES_ROOT, buffer, buffer, sizeof buffer) != ERROR_SUCCESS)
        return shell;

    const auto command = MakeOpenCommand(buffer, url, ActiveCodePageLeadBytes());
    if (!command)
        return kOpenCommandTooLong;
    return static_cast<int>(::WinExec(command->c_str(), static_cast<UINT>(showCommand)));
}

LONG CHyperLink::ReadRegDefault(HKEY root, const char* subkey, char* out, std::size_t outBytes) {
    HKEY key = nullptr;
    const LONG opened = ::RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, &key);
    if (opened != ERROR_SUCCESS)
        return opened;
    char value[kRegValueBytes];
    LONG size = sizeof value;
    const LONG queried = ::RegQueryValueA(key, nullptr, value, &size);
    ::RegCloseKey(key);
    return TakeRegValue(queried, value, size > 0 ? static_cast<std::size_t>(size) : 0, out,
                        outBytes);
}

void CHyperLink::ReportOpenError(int code) {
    vorna::ShowMessageBox(nullptr, OpenErrorMessage(code), MB_ICONEXCLAMATION);
}

} // namespace vorna
