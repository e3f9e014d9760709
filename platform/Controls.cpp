#include "platform/Controls.h"

#include "platform/App.h"

#include <algorithm>

namespace vorna {

void CListBox::ResetContent() const {
    Send(LB_RESETCONTENT);
}

void CListBox::InitStorage(int items, std::size_t bytes) const {
    Send(LB_INITSTORAGE, static_cast<WPARAM>(items), static_cast<LPARAM>(bytes));
}

int CListBox::AddString(const std::string& ansi) const {
    return static_cast<int>(
        ::SendMessageA(m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ansi.c_str())));
}

int CListBox::AddString(const std::string& text, Encoding encoding) const {
    if (encoding == Encoding::system)
        return AddString(text);
    const std::wstring line = ToWide(text, encoding).text;
    return static_cast<int>(
        ::SendMessageW(m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str())));
}

int CListBox::GetCurSel() const {
    return static_cast<int>(Send(LB_GETCURSEL));
}

void CListBox::SetCurSel(int index) const {
    Send(LB_SETCURSEL, static_cast<WPARAM>(index));
}

void CListBox::SetRedraw(bool redraw, bool repaint) const {
    Send(WM_SETREDRAW, redraw ? TRUE : FALSE);
    if (redraw && repaint)
        Invalidate(true);
}

int CListBox::VisibleLines() const {
    const RECT client = GetClientRect();
    const int line = static_cast<int>(Send(LB_GETITEMHEIGHT));
    if (line <= 0)
        return 1;
    return std::max(1, static_cast<int>((client.bottom - client.top + line - 1) / line));
}

int CListBox::GetCount() const {
    return static_cast<int>(Send(LB_GETCOUNT));
}

HWND CListBox::CreateEmptyTwin() const {
    const HWND parent = ::GetParent(m_hWnd);
    RECT place{};
    ::GetWindowRect(m_hWnd, &place);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    const auto style = static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)) & ~WS_VISIBLE;
    const auto exStyle = static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE));
    const auto id = static_cast<INT_PTR>(::GetDlgCtrlID(m_hWnd));
    HWND twin = ::CreateWindowExW(exStyle, L"ListBox", nullptr, style, place.left, place.top,
                                  place.right - place.left, place.bottom - place.top, parent,
                                  reinterpret_cast<HMENU>(id), AppInstance(), nullptr);
    if (!twin)
        return nullptr;
    ::SendMessageW(twin, WM_SETFONT, static_cast<WPARAM>(Send(WM_GETFONT)), FALSE);
    ::SetWindowPos(twin, m_hWnd, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return twin;
}

void CTrackBar::SetRange(int minimum, int maximum, bool redraw) const {
    Send(TBM_SETRANGEMIN, FALSE, minimum);
    Send(TBM_SETRANGEMAX, redraw ? TRUE : FALSE, maximum);
}

void CTrackBar::SetPos(int position) const {
    Send(TBM_SETPOS, TRUE, position);
}

int CTrackBar::GetPos() const {
    return static_cast<int>(Send(TBM_GETPOS));
}

void CHotKeyCtrl::SetRules(WORD invalidCombinations, WORD modifiers) const {
    Send(HKM_SETRULES, invalidCombinations, MAKELPARAM(modifiers, 0));
}

void CHotKeyCtrl::SetHotKey(WORD virtualKey, WORD modifiers) const {
    Send(HKM_SETHOTKEY, MAKEWORD(virtualKey, modifiers));
}

void CHotKeyCtrl::GetHotKey(WORD& virtualKey, WORD& modifiers) const {
    WORD value = LOWORD(Send(HKM_GETHOTKEY));
    virtualKey = LOBYTE(value);
    modifiers = HIBYTE(value);
}

CToolTip::~CToolTip() {
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

bool CToolTip::Create(const CWin& parent, DWORD style) {
    if (m_hWnd)
        return false;
    m_hWnd = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent.m_hWnd, nullptr,
                               AppInstance(), nullptr);
    return m_hWnd != nullptr;
}

bool CToolTip::AddTool(const CWin& tool, const std::string& ansiText, const RECT& rect,
                       UINT id) const {
    TTTOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = tool.m_hWnd;
    info.uId = id;
    info.rect = rect;
    info.lpszText = const_cast<char*>(ansiText.c_str());
    return ::SendMessageA(m_hWnd, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
}

void CToolTip::UpdateTipText(const std::string& ansiText, const CWin& tool, UINT id) const {
    TTTOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = tool.m_hWnd;
    info.uId = id;
    info.lpszText = const_cast<char*>(ansiText.c_str());
    ::SendMessageA(m_hWnd, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTip::RelayEvent(MSG* msg) const {
    if (m_hWnd)
        Send(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}

} // namespace vorna
