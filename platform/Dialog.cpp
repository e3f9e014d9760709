#include "platform/Dialog.h"

#include "platform/App.h"
#include "text/Convert.h"

#include <commctrl.h>

#include <algorithm>
#include <string_view>
#include <utility>

namespace vorna {
namespace {

// The dialog whose window CreateDialogParam is making: it receives the messages that come
// before WM_INITDIALOG.
thread_local CDialog* t_creating = nullptr;
thread_local CDialog* t_activeModal = nullptr;

bool IsColourRequest(UINT message) {
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

// Messages whose answer the dialog procedure returns itself instead of through
// DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message) {
    return IsColourRequest(message) || message == WM_COMPAREITEM || message == WM_VKEYTOITEM ||
           message == WM_CHARTOITEM || message == WM_QUERYDRAGICON || message == WM_INITDIALOG;
}

} // namespace

void CDataExchange::Control(int id, CWin& control) {
    if (!control.m_hWnd)
        control.SubclassWindow(m_dialog.GetItem(id));
}

// Writing skips a control that already shows the value: setting an edit's text again lays
// the whole text out anew (tens of milliseconds for a multi-line box under Wine) and
// moves its caret, for no visible change.
void CDataExchange::Text(int id, std::string& ansi) {
    HWND item = m_dialog.GetItem(id);
    if (m_reading) {
        ansi = WindowTextAnsi(item);
    } else {
        std::string shown = WindowTextAnsi(item);
        // A text with a NUL byte shows up to the NUL only.
        std::string_view value(ansi.c_str());
        if (shown != value)
            ::SetWindowTextA(item, ansi.c_str());
    }
}

void CDataExchange::Text(int id, std::string& text, Encoding encoding) {
    if (encoding == Encoding::system) {
        Text(id, text);
        return;
    }
    HWND item = m_dialog.GetItem(id);
    if (m_reading) {
        text = FromWide(WindowTextWide(item), encoding).text;
    } else {
        std::wstring value = ToWide(text, encoding).text;
        if (WindowTextWide(item) != value.c_str())
            ::SetWindowTextW(item, value.c_str());
    }
}

void CDataExchange::TextStrict(int id, std::string& text, Encoding encoding) {
    HWND item = m_dialog.GetItem(id);
    Converted<std::string> shown = FromWide(WindowTextWide(item), encoding);
    if (m_reading) {
        text = std::move(shown.text);
        if (!shown.ok && !m_fault)
            m_fault = TextFault{id, shown.error};
    } else {
        // Unchanged since it was read, even with characters that did not convert: the box
        // keeps them rather than showing their "?".
        std::string_view value(text.c_str());
        if (shown.text != value)
            ::SetWindowTextW(item, ToWide(value, encoding).text.c_str());
    }
}

void CDataExchange::TextUtf8(int id, std::string& utf8) {
    HWND item = m_dialog.GetItem(id);
    if (m_reading) {
        utf8 = FromWide(WindowTextWide(item), Encoding::utf8).text;
    } else {
        std::wstring value = ToWide(utf8, Encoding::utf8).text;
        if (WindowTextWide(item) != value.c_str())
            ::SetWindowTextW(item, value.c_str());
    }
}

void CDataExchange::SliderPos(int id, int& position) {
    HWND item = m_dialog.GetItem(id);
    int shown = static_cast<int>(::SendMessageW(item, TBM_GETPOS, 0, 0));
    if (m_reading)
        position = shown;
    else if (shown != position)
        ::SendMessageW(item, TBM_SETPOS, TRUE, position);
}

void CDataExchange::Check(int id, bool& checked) {
    HWND item = m_dialog.GetItem(id);
    const bool shown = ::SendMessageW(item, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (m_reading)
        checked = shown;
    else if (shown != checked)
        ::SendMessageW(item, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

CDialog::CDialog(UINT templateId, HWND parent) : m_templateId(templateId), m_hParent(parent) {}

CDialog::~CDialog() {
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

HWND OwnerOrActiveModal(HWND owner) {
    if (!owner && t_activeModal)
        owner = t_activeModal->m_hWnd;
    return owner;
}

INT_PTR CDialog::DoModal() {
    HWND owner = OwnerOrActiveModal(m_hParent);

    m_nModalResult = -1;
    m_bPlaced = false;
    m_bContinueModal = true;
    m_pOuterModal = t_activeModal;
    t_activeModal = this;

    t_creating = this;
    HWND hwnd = ::CreateDialogParamW(AppInstance(), MAKEINTRESOURCEW(m_templateId), owner,
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    t_creating = nullptr;
    if (!hwnd) {
        t_activeModal = m_pOuterModal;
        m_bContinueModal = false;
        return -1;
    }

    bool ownerDisabled = false;
    if (owner && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
        ownerDisabled = true;
    }
    // A modal dialog is shown whether or not its template says WS_VISIBLE.
    if (m_bContinueModal && m_hWnd && !::IsWindowVisible(m_hWnd))
        ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    if (m_bContinueModal && m_hWnd)
        RunModalLoop();

    // The owner is enabled again before the dialog goes, so activation returns to it.
    if (ownerDisabled)
        ::EnableWindow(owner, TRUE);
    if (m_hWnd) {
        if (owner && ::GetActiveWindow() == m_hWnd)
            ::SetActiveWindow(owner);
        ::DestroyWindow(m_hWnd);
    }
    t_activeModal = m_pOuterModal;
    m_pOuterModal = nullptr;
    return m_nModalResult;
}

void CDialog::EndDialog(INT_PTR result) {
    m_nModalResult = result;
    m_bContinueModal = false;
    // The loop may be waiting in GetMessage while a sent message ends the dialog.
    if (m_hWnd)
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

void CDialog::RunModalLoop() {
    while (m_bContinueModal) {
        MSG msg;
        // Work left for a quiet moment runs a piece at a time, and any message that arrived
        // meanwhile comes first (peeking also delivers what other threads send).
        while (m_bContinueModal && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && OnIdle()) {
        }
        if (!m_bContinueModal)
            break;
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) {
            m_nModalResult = IDCANCEL;
            break;
        }
        if (got == 0) {
            // WM_QUIT ends this loop and is left for the loops outside it.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            m_nModalResult = IDCANCEL;
            break;
        }
        if (!PreTranslateInput(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

bool CDialog::PreTranslateInput(MSG& msg) {
    // The target window and its bound ancestors up to the dialog see the message first.
    for (HWND h = msg.hwnd; h;) {
        if (CWin* object = FromHandle(h)) {
            if (object->PreTranslateMessage(&msg))
                return true;
        }
        if (h == m_hWnd || !(::GetWindowLongW(h, GWL_STYLE) & WS_CHILD))
            break;
        h = ::GetParent(h);
    }
    return ::IsDialogMessageW(m_hWnd, &msg) != FALSE;
}

std::optional<TextFault> CDialog::ReadControls() {
    CDataExchange dx(*this, true);
    DoDataExchange(dx);
    return dx.Fault();
}

void CDialog::WriteControls() {
    CDataExchange dx(*this, false);
    DoDataExchange(dx);
}

bool CDialog::OnInitDialog() {
    WriteControls();
    return true;
}

void CDialog::DoDataExchange(CDataExchange&) {}

bool CDialog::OnIdle() {
    return false;
}

void CDialog::OnOK() {
    ReadControls();
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    switch (message) {
    case WM_COMMAND:
        switch (wParam) {
        case Notify(IDOK, BN_CLICKED):
            OnOK();
            return true;
        case Notify(IDCANCEL, BN_CLICKED):
            OnCancel();
            return true;
        }
        break;
    case WM_CLOSE:
        OnCancel();
        return true;
    }
    return false;
}

bool CDialog::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    HWND child = nullptr;
    if (message == WM_COMMAND || IsColourRequest(message))
        child = reinterpret_cast<HWND>(lParam);
    else if (message == WM_NOTIFY && lParam)
        child = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    if (!child || child == m_hWnd)
        return false;
    CWin* object = FromHandle(child);
    return object && object->OnReflectedMessage(message, wParam, lParam, result);
}

bool CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return ReflectToChild(message, wParam, lParam, result) ||
           OnMessage(message, wParam, lParam, result);
}

void CDialog::CenterIfUnplaced(const RECT& before) {
    RECT now{};
    ::GetWindowRect(m_hWnd, &now);
    if (m_bPlaced || ::IsWindowVisible(m_hWnd) || !::EqualRect(&before, &now))
        return;
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : m_hWnd, MONITOR_DEFAULTTOPRIMARY),
                      &monitor);
    const RECT work = monitor.rcWork;
    // Over a visible owner, else in the work area.
    RECT area = work;
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &area);
    const int width = now.right - now.left;
    const int height = now.bottom - now.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    x = std::max<int>(work.left, std::min<int>(x, work.right - width));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* self = dynamic_cast<CDialog*>(FromHandle(hwnd));
    if (!self && t_creating) {
        self = t_creating;
        t_creating = nullptr;
        self->BindHandle(hwnd);
    }
    if (!self)
        return FALSE;

    LRESULT result = 0;
    bool handled = false;
    // No exception may unwind through the dialog manager: a failing handler leaves the
    // message to the default handling.
    try {
        if (message == WM_INITDIALOG) {
            RECT before{};
            ::GetWindowRect(hwnd, &before);
            result = self->OnInitDialog() ? TRUE : FALSE;
            self->CenterIfUnplaced(before);
            handled = true;
        } else {
            handled = self->Dispatch(message, wParam, lParam, result);
        }
    } catch (...) {
        LogDroppedException(L"a dialog procedure", message);
        handled = false;
        result = 0;
    }
    if (message == WM_NCDESTROY)
        self->UnbindHandle();
    if (!handled)
        return FALSE;
    if (ReturnsDirectly(message))
        return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

} // namespace vorna
