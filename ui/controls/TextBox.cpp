#include "ui/controls/TextBox.h"

#include "platform/Gdi.h"
#include "platform/Library.h"
#include "text/LineBreaks.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vorna {
namespace {

// Posted by a box to itself for its next part.
constexpr UINT kAddNextPart = WM_APP + 1;

} // namespace

bool CTextBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_SETTEXT:
        result = SetText(reinterpret_cast<const wchar_t*>(lParam));
        return true;
    case kAddNextPart:
        m_bPartPosted = false;
        AddParts(PartEnd(m_nAdded));
        result = 0;
        return true;
    // Whatever acts on the box (focus, keys, mouse, scrolling, selecting) finds the
    // whole text in it: the parts still to come are added at once.
    case WM_SETFOCUS:
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case WM_CONTEXTMENU:
    case WM_VSCROLL:
    case EM_SETSEL:
    case EM_SCROLL:
    case EM_LINESCROLL:
    case EM_SCROLLCARET:
        AddParts(m_strShown.size());
        break;
    case WM_SETFONT:
        m_arrWidths.clear();
        return false;
    case WM_GETTEXT:
        if (!m_bOwnLayout)
            return false;
        result = GetText(wParam, reinterpret_cast<wchar_t*>(lParam));
        return true;
    case WM_GETTEXTLENGTH:
        if (!m_bOwnLayout)
            return false;
        result = static_cast<LRESULT>(m_strText.size());
        return true;
    case WM_COPY:
        if (!m_bOwnLayout)
            return false;
        Copy();
        result = 0;
        return true;
    case EM_REPLACESEL:
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
        // Changed inside the edit: from now on its text is what it holds, breaks and all.
        m_bOwnLayout = false;
        m_strText.clear();
        m_arrBreaks.clear();
        m_strShown.clear();
        return false;
    }
    return CEdit::OnMessage(message, wParam, lParam, result);
}

LRESULT CTextBox::SetText(const wchar_t* text) {
    const std::wstring_view value = text ? text : L"";
    m_bOwnLayout = false;
    m_strText = std::wstring();
    m_arrBreaks.clear();
    m_strShown = std::wstring();
    m_nAdded = 0;
    if (value.size() <= kOwnLayoutFrom)
        return DefaultProc(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    std::vector<std::size_t> breaks = FindBreaks(value);
    m_strShown = InsertLineBreaks(value, breaks);
    const std::size_t first = PartEnd(0);
    const std::wstring part = m_strShown.substr(0, first);
    const LRESULT done = DefaultProc(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(part.c_str()));
    if (!done) {
        m_strShown = std::wstring();
        return done;
    }
    m_bOwnLayout = true;
    m_strText.assign(value);
    m_arrBreaks = std::move(breaks);
    m_nAdded = first;
    // The parts are added as a replaced selection, which the edit otherwise keeps to its
    // limit (30,000 characters under Wine).
    DefaultProc(EM_SETLIMITTEXT, 0, 0);
    PostNextPart();
    return done;
}

std::vector<std::size_t> CTextBox::FindBreaks(std::wstring_view text) {
    // The edit wraps a line wider than its formatting rectangle; a line that fits is left
    // whole, so the lines are measured against that width with the font the edit draws in.
    RECT rect{};
    Send(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&rect));
    const int width = rect.right - rect.left;
    CClientDC dc(m_hWnd);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(Send(WM_GETFONT));
    CSelectObject selected(dc, font ? font : ::GetStockObject(SYSTEM_FONT));
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    // The edit's default tab stops: every eight average characters.
    const int tab = 8 * std::max(1, static_cast<int>(metrics.tmAveCharWidth));
    if (m_arrWidths.empty())
        m_arrWidths.assign(0x10000, -1);
    const CharacterWidth measure = [&](char32_t c, int x) -> int {
        if (c == U'\t')
            return tab - x % tab;
        if (c > 0xFFFF) {
            const char32_t v = c - 0x10000;
            const wchar_t pair[2] = {static_cast<wchar_t>(0xD800 + (v >> 10)),
                                     static_cast<wchar_t>(0xDC00 + (v & 0x3FF))};
            SIZE size{};
            ::GetTextExtentPoint32W(dc, pair, 2, &size);
            return size.cx;
        }
        if (m_arrWidths[c] < 0) {
            const UINT first = static_cast<UINT>(c) & ~0xFFu;
            INT widths[256] = {};
            if (!::GetCharWidth32W(dc, first, first + 255, widths))
                std::fill(std::begin(widths), std::end(widths), metrics.tmAveCharWidth);
            std::copy(std::begin(widths), std::end(widths), m_arrWidths.begin() + first);
        }
        return m_arrWidths[c];
    };
    return FindLineBreaks(text, width, width, measure);
}

std::size_t CTextBox::PartEnd(std::size_t from) const {
    const std::size_t end = from + kPartUnits;
    if (end >= m_strShown.size())
        return m_strShown.size();
    const std::size_t lineEnd = m_strShown.find(L'\n', end);
    return lineEnd == std::wstring::npos ? m_strShown.size() : lineEnd + 1;
}

void CTextBox::PostNextPart() {
    if (m_nAdded < m_strShown.size() && !m_bPartPosted)
        m_bPartPosted = Post(kAddNextPart);
}

// Appends the parts up to to where the user cannot tell: the selection and the lines in view
// stay as they were, and the box is drawn once afterwards.
void CTextBox::AddParts(std::size_t to) {
    if (!m_bOwnLayout || m_nAdded >= to)
        return;
    DWORD start = 0, end = 0;
    DefaultProc(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const LRESULT top = DefaultProc(EM_GETFIRSTVISIBLELINE, 0, 0);
    DefaultProc(WM_SETREDRAW, FALSE, 0);
    const std::wstring part = m_strShown.substr(m_nAdded, to - m_nAdded);
    DefaultProc(EM_SETSEL, m_nAdded, static_cast<LPARAM>(m_nAdded));
    DefaultProc(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(part.c_str()));
    m_nAdded = to;
    DefaultProc(EM_SETSEL, start, static_cast<LPARAM>(end));
    DefaultProc(EM_LINESCROLL, 0, top - DefaultProc(EM_GETFIRSTVISIBLELINE, 0, 0));
    DefaultProc(WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
    if (m_nAdded < m_strShown.size())
        PostNextPart();
    else
        m_strShown = std::wstring();
}

LRESULT CTextBox::GetText(WPARAM size, wchar_t* buffer) const {
    if (!buffer || size == 0)
        return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(size) - 1, m_strText.size());
    std::memcpy(buffer, m_strText.data(), n * sizeof(wchar_t));
    buffer[n] = L'\0';
    return static_cast<LRESULT>(n);
}

// What the edit's own copy does, with the selection taken from the text as it was set.
void CTextBox::Copy() {
    DWORD start = 0, end = 0;
    Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const std::size_t from = TextPosition(std::min(start, end), m_arrBreaks);
    const std::size_t to =
        std::min(TextPosition(std::max(start, end), m_arrBreaks), m_strText.size());
    if (from >= to)
        return;
    const std::size_t bytes = (to - from + 1) * sizeof(wchar_t);
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block)
        return;
    if (auto* copy = static_cast<wchar_t*>(::GlobalLock(block))) {
        std::memcpy(copy, m_strText.data() + from, bytes - sizeof(wchar_t));
        copy[to - from] = L'\0';
        ::GlobalUnlock(block);
        CClipboard clipboard(m_hWnd);
        if (clipboard.IsOpen() && ::EmptyClipboard() && ::SetClipboardData(CF_UNICODETEXT, block))
            return;
    }
    ::GlobalFree(block);
}

} // namespace vorna
