#include "platform/Win.h"

#include "platform/App.h"
#include "text/Convert.h"

#include <cstdio>
#include <exception>
#include <unordered_map>
#include <vector>

namespace vorna {
namespace {

// From a handle to its bound object. Kept in the process rather than as a window property:
// under Wine every property lookup is a round trip to the server, and the lookup runs for
// every message of a bound window (a list filled with 10^5 lines took seconds). Window
// objects live on the one GUI thread.
std::unordered_map<HWND, CWin*>& BoundObjects() {
    static std::unordered_map<HWND, CWin*> objects;
    return objects;
}

template <class Char>
std::basic_string<Char> ReadWindowText(HWND window, int(WINAPI* length)(HWND),
                                       int(WINAPI* read)(HWND, Char*, int)) {
    const int n = length(window);
    if (n <= 0)
        return {};
    std::vector<Char> buffer(static_cast<std::size_t>(n) + 1);
    const int got = read(window, buffer.data(), n + 1);
    return std::basic_string<Char>(buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

} // namespace

void LogDroppedException(const wchar_t* where, std::optional<UINT> message) noexcept {
    try {
        std::wstring line = AppName() + L": an exception was dropped in " + where;
        if (message) {
            wchar_t number[32] = {};
            std::swprintf(number, 32, L" (message 0x%04X)", *message);
            line += number;
        }
        try {
            throw;
        } catch (const std::exception& e) {
            line += L": " + ToWide(e.what(), Encoding::utf8).text;
        } catch (...) {
            line += L": not a std::exception";
        }
        line += L'\n';
        ::OutputDebugStringW(line.c_str());
    } catch (...) {
        ::OutputDebugStringW(L"an exception was dropped\n");
    }
}

std::string WindowTextAnsi(HWND window) {
    return ReadWindowText<char>(window, ::GetWindowTextLengthA, ::GetWindowTextA);
}

std::wstring WindowTextWide(HWND window) {
    return ReadWindowText<wchar_t>(window, ::GetWindowTextLengthW, ::GetWindowTextW);
}

HWND FrontWindow(HWND window) {
    if (::IsWindowEnabled(window))
        return window;
    struct Search {
        HWND owner;
        HWND found;
    } search{window, nullptr};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND candidate, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (!::IsWindowVisible(candidate) || !::IsWindowEnabled(candidate))
                return TRUE;
            for (HWND owner = ::GetWindow(candidate, GW_OWNER); owner;
                 owner = ::GetWindow(owner, GW_OWNER)) {
                if (owner == s->owner) {
                    s->found = candidate;
                    return FALSE;
                }
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found ? search.found : window;
}

CWin::~CWin() {
    if (m_oldProc && m_hWnd && ::IsWindow(m_hWnd))
        UnsubclassWindow();
}

CWin* CWin::FromHandle(HWND hwnd) {
    if (!hwnd)
        return nullptr;
    auto& objects = BoundObjects();
    auto found = objects.find(hwnd);
    return found == objects.end() ? nullptr : found->second;
}

void CWin::BindHandle(HWND hwnd) {
    m_hWnd = hwnd;
    BoundObjects()[hwnd] = this;
}

void CWin::UnbindHandle() {
    if (m_hWnd) {
        auto& objects = BoundObjects();
        auto found = objects.find(m_hWnd);
        if (found != objects.end() && found->second == this)
            objects.erase(found);
    }
    m_hWnd = nullptr;
}

bool CWin::SubclassWindow(HWND hwnd) {
    if (m_hWnd || !hwnd || FromHandle(hwnd))
        return false;
    BindHandle(hwnd);
    PreSubclassWindow();
    m_oldProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWin::SubclassProc)));
    if (!m_oldProc) {
        UnbindHandle();
        return false;
    }
    return true;
}

HWND CWin::UnsubclassWindow() {
    HWND hwnd = m_hWnd;
    if (!hwnd || !m_oldProc)
        return nullptr;
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
    m_oldProc = nullptr;
    UnbindHandle();
    return hwnd;
}

LRESULT CALLBACK CWin::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWin* self = FromHandle(hwnd);
    if (!self || !self->m_oldProc)
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    WNDPROC oldProc = self->m_oldProc;
    LRESULT result = 0;
    bool handled = false;
    // No exception may unwind through the system's code: a failing handler leaves the
    // message to the control's own procedure.
    try {
        handled = self->OnMessage(message, wParam, lParam, result);
    } catch (...) {
        LogDroppedException(L"a window procedure", message);
        handled = false;
    }
    if (!handled)
        result = ::CallWindowProcW(oldProc, hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY && FromHandle(hwnd) == self)
        self->UnsubclassWindow();
    return result;
}

bool CWin::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

bool CWin::OnReflectedMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

bool CWin::PreTranslateMessage(MSG*) {
    return false;
}

LRESULT CWin::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_oldProc)
        return ::CallWindowProcW(m_oldProc, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWin::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

bool CWin::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessageW(m_hWnd, message, wParam, lParam) != FALSE;
}

HWND CWin::GetItem(int id) const {
    return ::GetDlgItem(m_hWnd, id);
}

void CWin::SetItemText(int id, std::wstring_view text) const {
    std::wstring copy(text);
    ::SetDlgItemTextW(m_hWnd, id, copy.c_str());
}

std::string CWin::GetTextAnsi() const {
    return WindowTextAnsi(m_hWnd);
}

void CWin::SetTextAnsi(const std::string& text) const {
    ::SetWindowTextA(m_hWnd, text.c_str());
}

std::wstring CWin::GetTextWide() const {
    return WindowTextWide(m_hWnd);
}

bool CWin::Show(int command) const {
    return ::ShowWindow(m_hWnd, command) != FALSE;
}

void CWin::Focus() const {
    ::SetFocus(m_hWnd);
}

bool CWin::IsIconic() const {
    return ::IsIconic(m_hWnd) != FALSE;
}

RECT CWin::GetClientRect() const {
    RECT rect{};
    ::GetClientRect(m_hWnd, &rect);
    return rect;
}

void CWin::Invalidate(bool erase) const {
    ::InvalidateRect(m_hWnd, nullptr, erase ? TRUE : FALSE);
}

void CWin::SetIcon(HICON icon, bool big) const {
    Send(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

int CWin::ShowMessageBox(std::string_view utf8Text, UINT type) const {
    return vorna::ShowMessageBox(m_hWnd, utf8Text, type);
}

} // namespace vorna
