#include "platform/NotifyIcon.h"

#include <shellapi.h>

#include <algorithm>

namespace vorna {
namespace {

NOTIFYICONDATAW IconData(HWND owner, UINT id) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = id;
    return data;
}

// The tip as far as it fits, with its terminating zero.
void CopyTip(std::wstring_view tip, NOTIFYICONDATAW& data) {
    const std::size_t room = sizeof data.szTip / sizeof data.szTip[0] - 1;
    std::copy_n(tip.begin(), std::min(tip.size(), room), data.szTip);
}

} // namespace

CNotifyIcon::~CNotifyIcon() {
    Remove();
}

bool CNotifyIcon::Add(HWND owner, UINT id, UINT callbackMessage, HICON icon,
                      std::wstring_view tip) {
    Remove();
    m_owner = owner;
    m_id = id;
    m_callbackMessage = callbackMessage;
    m_icon = icon;
    m_tip.assign(tip);
    return AddAgain();
}

bool CNotifyIcon::AddAgain() {
    if (!m_owner)
        return false;
    NOTIFYICONDATAW data = IconData(m_owner, m_id);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = m_callbackMessage;
    data.hIcon = m_icon;
    CopyTip(m_tip, data);
    // After a restart of the shell an icon it still knew would make NIM_ADD fail.
    if (::Shell_NotifyIconW(NIM_ADD, &data) || ::Shell_NotifyIconW(NIM_MODIFY, &data)) {
        m_added = true;
        return true;
    }
    return false;
}

bool CNotifyIcon::SetTip(std::wstring_view tip) {
    m_tip.assign(tip);
    if (!m_added)
        return false;
    NOTIFYICONDATAW data = IconData(m_owner, m_id);
    data.uFlags = NIF_TIP;
    CopyTip(m_tip, data);
    return ::Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void CNotifyIcon::Remove() {
    if (!m_added)
        return;
    NOTIFYICONDATAW data = IconData(m_owner, m_id);
    ::Shell_NotifyIconW(NIM_DELETE, &data);
    m_added = false;
}

void CPopupMenu::Append(UINT id, std::wstring_view text, bool enabled) const {
    std::wstring copy(text);
    ::AppendMenuW(m_menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), id, copy.c_str());
}

void CPopupMenu::AppendSeparator() const {
    ::AppendMenuW(m_menu, MF_SEPARATOR, 0, nullptr);
}

void CPopupMenu::SetDefault(UINT id) const {
    ::SetMenuDefaultItem(m_menu, id, FALSE);
}

UINT CPopupMenu::Track(HWND owner) const {
    POINT at{};
    ::GetCursorPos(&at);
    UINT chosen = static_cast<UINT>(::TrackPopupMenu(
        m_menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr));
    // Without a message after it, the menu would not close at the next click elsewhere.
    ::PostMessageW(owner, WM_NULL, 0, 0);
    return chosen;
}

} // namespace vorna
