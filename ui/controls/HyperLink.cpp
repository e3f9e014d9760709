#include "ui/controls/HyperLink.h"

#include "platform/App.h"
#include "platform/Library.h"
#include "text/Convert.h"
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
    m_fontLink.Reset();
}

// ---- Setters

void CHyperLink::SetURL(std::string url) {
    m_strURL = std::move(url);
    if (HasLiveWindow()) {
        FitToText();
        m_toolTip.UpdateTipText(m_strURL, *this, kToolId);
    }
}

void CHyperLink::SetColors(COLORREF link, COLORREF visited, COLORREF hover) {
    m_crLink = link;
    m_crVisited = visited;
    m_crHover = hover == static_cast<COLORREF>(-1) ? ::GetSysColor(COLOR_HIGHLIGHT) : hover;
    if (HasLiveWindow())
        Invalidate(true);
}

void CHyperLink::SetVisited(BOOL visited) {
    m_bVisited = visited;
    if (HasLiveWindow())
        Invalidate(true);
}

void CHyperLink::SetLinkCursor(HCURSOR cursor) {
    m_hLinkCursor = cursor;
    if (!m_hLinkCursor)
        LoadDefaultCursor();
}

void CHyperLink::SetUnderline(BOOL underline) {
    m_bUnderline = underline;
    if (HasLiveWindow()) {
        RebuildFont();
        Invalidate(true);
    }
}

void CHyperLink::SetAutoSize(BOOL autoSize) {
    m_bAutoSize = autoSize;
    if (HasLiveWindow())
        FitToText();
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
    m_fontLink.Reset(::CreateFontIndirectW(&description));
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(m_fontLink.Get()), TRUE);

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
    m_fontLink.Reset();
    m_fontLink.Reset(::CreateFontIndirectW(&description));
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(m_fontLink.Get()), TRUE);
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
    if (HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND)) {
        m_hLinkCursor = hand;
        return;
    }
    // A system without a hand of its own: the help program carries one. It is opened as data
    // only, so nothing of it runs and nothing it imports is looked for beside this program.
    wchar_t folder[MAX_PATH] = {};
    const UINT n = ::GetWindowsDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;
    const std::wstring path = std::wstring(folder, n) + L"\\winhlp32.exe";
    const CModule help(LoadResourcesOnly(path.c_str()));
    if (!help)
        return;
    if (HCURSOR cursor = ::LoadCursorW(help, MAKEINTRESOURCEW(kHandCursorId))) {
        // The copy outlives the file it came from.
        m_cursorCopy.Reset(::CopyIcon(cursor));
        m_hLinkCursor = m_cursorCopy;
    }
}

// ---- The link opener

int CHyperLink::OpenURL(const std::string& url, int showCommand) {
    const int shell = static_cast<int>(reinterpret_cast<INT_PTR>(
        ::ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, showCommand)));
    if (shell > kShellSuccessAbove)
        return shell;

    wchar_t buffer[kCommandChars] = {};
    if (ReadRegDefault(HKEY_CLASSES_ROOT, L".htm", buffer, kCommandChars) != ERROR_SUCCESS)
        return shell;
    // The class name is at most kRegValueChars - 1 long, so the key name fits the buffer.
    ::lstrcatW(buffer, L"\\shell\\open\\command");
    if (ReadRegDefault(HKEY_CLASSES_ROOT, buffer, buffer, kCommandChars) != ERROR_SUCCESS)
        return shell;

    OpenCommand command = MakeOpenCommand(buffer, ToWide(url, Encoding::system).text);
    switch (command.status) {
    case OpenCommand::Status::noProgram:
        return shell;
    case OpenCommand::Status::tooLong:
        return kOpenCommandTooLong;
    case OpenCommand::Status::ok:
        break;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process))
        return OpenResultFromError(::GetLastError());
    // Nothing waits for the program that was started.
    const CHandle thread(process.hThread);
    const CHandle started(process.hProcess);
    return kOpenStarted;
}

LONG CHyperLink::ReadRegDefault(HKEY root, const wchar_t* subkey, wchar_t* out,
                                std::size_t outChars) {
    HKEY raw = nullptr;
    const LONG opened = ::RegOpenKeyExW(root, subkey, 0, KEY_QUERY_VALUE, &raw);
    if (opened != ERROR_SUCCESS)
        return opened;
    const CRegKey key(raw);
    wchar_t value[kRegValueChars];
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    const LONG queried =
        ::RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    const std::size_t valueChars = size / sizeof(wchar_t);
    if (queried == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ) {
        if (outChars > 0)
            out[0] = L'\0';
        return ERROR_UNSUPPORTED_TYPE;
    }
    if (queried != ERROR_SUCCESS || type == REG_SZ)
        return TakeRegValue(queried, value, valueChars, out, outChars);

    wchar_t unexpanded[kRegValueChars];
    const LONG taken = TakeRegValue(queried, value, valueChars, unexpanded, kRegValueChars);
    const DWORD needed =
        taken == ERROR_SUCCESS
            ? ::ExpandEnvironmentStringsW(unexpanded, out, static_cast<DWORD>(outChars))
            : 0;
    if (needed == 0 || needed > outChars) {
        if (outChars > 0)
            out[0] = L'\0';
        return taken == ERROR_SUCCESS ? kRegMoreData : taken;
    }
    return ERROR_SUCCESS;
}

void CHyperLink::ReportOpenError(int code) {
    vorna::ShowMessageBox(nullptr, OpenErrorMessage(code), MB_ICONEXCLAMATION);
}

} // namespace vorna
