// The search and the result list: the search of the Search button, Enter and the clipboard,
// the same search while the user types (SearchAsYouType), the list keys of the search box,
// and a long result list filled a piece at a time, so that no key waits for it.
#include "ui/VornaDlg.h"

#include "knowledge/Search.h"
#include "res/resource.h"
#include "text/Convert.h"
#include "ui/ShownText.h"
#include "ui/VornaDlgRules.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace vorna {
namespace {

using Clock = std::chrono::steady_clock;

// The longest piece of a fill: a key pressed meanwhile waits no longer than this.
constexpr auto kPieceTime = std::chrono::milliseconds(8);
// Lines added or removed between two looks at the clock and at the input queue.
constexpr std::size_t kLinesBetweenLooks = 64;
// A list of up to this many lines is emptied at once (a few milliseconds).
constexpr int kLinesEmptiedAtOnce = 20000;

bool InputWaits() {
    return HIWORD(::GetQueueStatus(QS_INPUT)) != 0;
}

// Keys of the search box that move the list's selection instead.
bool IsListKey(WPARAM key) {
    return key == VK_DOWN || key == VK_UP || key == VK_NEXT || key == VK_PRIOR;
}

bool IsInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

} // namespace

void CVornaDlg::OnSearch() {
    ReadControls();
    RunSearch(m_strKeyword, true);
}

void CVornaDlg::RunSearch(std::string keyword, bool focusList) {
    m_bTypedSearchDue = false;
    m_strSearched = std::move(keyword);

    // The list is filled with drawing off: redrawn line by line it takes seconds per
    // thousand lines.
    m_listResults.SetRedraw(false);
    EmptyResultList();
    FindMatches(m_store, *m_strSearched, m_leadBytes, m_arrMatches);
    m_nListed = 0;
    m_nListRoom = 0;
    ListPiece(static_cast<std::size_t>(m_listResults.VisibleLines()), true);
    m_listResults.SetRedraw(true);

    // The count is the match list's, whole from the start.
    ShowMatchCount(static_cast<int>(m_arrMatches.size()));
    if (focusList)
        m_listResults.Focus();
    m_listResults.SetCurSel(0);
    if (!m_arrMatches.empty()) {
        OnSelchangeResults();
    } else {
        m_strAnswer.clear();
        m_strQuestion = m_strAnswer;
    }
    WriteControls();
}

bool CVornaDlg::ListPiece(std::size_t atLeast, bool watchInput) {
    const Clock::time_point start = Clock::now();
    const std::size_t first = m_nListed;
    const std::size_t total = m_arrMatches.size();
    while (m_nListed < total) {
        const std::size_t stop = std::min(total, m_nListed + kLinesBetweenLooks);
        ReserveListRoom(stop);
        for (; m_nListed < stop; ++m_nListed)
            AddListLabel(static_cast<int>(m_arrMatches[m_nListed]));
        if (m_nListed - first >= atLeast &&
            (Clock::now() - start >= kPieceTime || (watchInput && InputWaits())))
            break;
    }
    return m_nListed < total;
}

// Room for the lines is reserved as the list grows, doubling each time: the list box does not
// grow its room line by line, and the first screen does not wait for room for all the lines.
void CVornaDlg::ReserveListRoom(std::size_t lines) {
    if (lines <= m_nListRoom)
        return;
    const std::size_t room = std::min(m_arrMatches.size(), std::max(lines, 2 * m_nListRoom));
    std::size_t bytes = 0;
    for (std::size_t k = m_nListRoom; k < room; ++k) {
        const std::uint32_t i = m_arrMatches[k];
        bytes += CShownText::LabelSize(m_store.m_arrQuestions[i], m_store.m_arrAnswers[i]) + 1;
    }
    m_listResults.InitStorage(static_cast<int>(room - m_nListRoom), bytes);
    m_nListRoom = room;
}

void CVornaDlg::FinishListing() {
    if (m_nListed >= m_arrMatches.size())
        return;
    m_listResults.SetRedraw(false);
    ReserveListRoom(m_arrMatches.size());
    for (; m_nListed < m_arrMatches.size(); ++m_nListed)
        AddListLabel(static_cast<int>(m_arrMatches[m_nListed]));
    m_listResults.SetRedraw(true, false);
}

void CVornaDlg::EmptyResultList() {
    if (m_listResults.GetCount() <= kLinesEmptiedAtOnce) {
        m_listResults.ResetContent();
        return;
    }
    const HWND fresh = m_listResults.CreateEmptyTwin();
    if (!fresh) {
        m_listResults.ResetContent();
        return;
    }
    const bool focused = ::GetFocus() == m_listResults.m_hWnd;
    const HWND old = m_listResults.UnsubclassWindow();
    ::SetWindowLongPtrW(old, GWLP_ID, -1);
    ::ShowWindow(old, SW_HIDE);
    m_arrOldLists.push_back(old);
    m_listResults.SubclassWindow(fresh);
    m_listResults.SetRedraw(false);
    ::ShowWindow(fresh, SW_SHOWNA);
    if (focused)
        m_listResults.Focus();
}

bool CVornaDlg::EmptyOldListPiece() {
    if (m_arrOldLists.empty())
        return false;
    const HWND old = m_arrOldLists.back();
    const Clock::time_point start = Clock::now();
    // From the end: nothing moves in the list's memory.
    auto count = ::SendMessageW(old, LB_GETCOUNT, 0, 0);
    while (count > 0 && Clock::now() - start < kPieceTime) {
        for (std::size_t i = 0; i < kLinesBetweenLooks && count > 0; ++i)
            ::SendMessageW(old, LB_DELETESTRING, static_cast<WPARAM>(--count), 0);
    }
    if (count <= 0) {
        ::DestroyWindow(old);
        m_arrOldLists.pop_back();
    }
    return !m_arrOldLists.empty();
}

bool CVornaDlg::OnIdle() {
    if (m_bTypedSearchDue)
        SearchAsTyped();
    if (m_nListed >= m_arrMatches.size())
        return EmptyOldListPiece();
    // The lines go below the first screen: the list repaints only when what it shows
    // changed, and its scroll bar follows once a piece.
    m_listResults.SetRedraw(false);
    ListPiece(1, false);
    m_listResults.SetRedraw(true, false);
    return true;
}

void CVornaDlg::AddListLabel(int index) {
    std::size_t i = static_cast<std::size_t>(index);
    m_listResults.AddString(m_shown.Label(m_store.m_arrQuestions[i], m_store.m_arrAnswers[i]),
                            m_shownEncoding);
}

void CVornaDlg::ShowMatchCount(int count) {
    if (m_store.GetCount() == 0)
        return;
    const std::string keyword =
        Convert(m_strSearched.value_or(m_strKeyword), m_shownEncoding, Encoding::utf8).text;
    SetItemText(IDC_GROUP_MATCHES, ToWide(MatchCaption(keyword, count), Encoding::utf8).text);
}

void CVornaDlg::OnSelchangeResults() {
    std::optional<std::uint32_t> index =
        MatchAt(m_listResults.GetCurSel(), m_arrMatches, m_store.GetCount());
    if (!index)
        return;
    m_strQuestion = m_shown.BoxText(m_store.m_arrQuestions[*index]);
    m_strAnswer = m_shown.BoxText(m_store.m_arrAnswers[*index]);
    WriteControls();
}

// The search waits until the keys typed meanwhile are in, so that a fast typist's keys are
// never held up by a search for a text already gone; the box shows each key at once.
void CVornaDlg::OnKeywordChanged() {
    if (m_options.Values().searchAsYouType)
        m_bTypedSearchDue = true;
}

// The described search, except that the focus stays in the search box; writing the
// controls leaves the box alone (it shows what was read), so its caret does not move.
void CVornaDlg::SearchAsTyped() {
    ReadControls();
    RunSearch(m_strKeyword, false);
}

bool CVornaDlg::PreTranslateMessage(MSG* msg) {
    const HWND keyword = GetItem(IDC_KEYWORD);
    const bool listKey =
        msg->message == WM_KEYDOWN && msg->hwnd == keyword && IsListKey(msg->wParam);
    // Any input but typing into the box acts on what the typed text finds.
    if (m_bTypedSearchDue && IsInput(msg->message) && (msg->hwnd != keyword || listKey))
        SearchAsTyped();
    if (listKey) {
        m_listResults.Send(WM_KEYDOWN, msg->wParam, msg->lParam);
        return true;
    }
    return CDialog::PreTranslateMessage(msg);
}

} // namespace vorna
