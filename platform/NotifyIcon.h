#pragma once
// An icon in the notification area of the taskbar, and the small popup menu it opens.
#include "platform/Handle.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace vorna {

// Owns one notification-area icon of a window: added by Add, taken away by Remove or on
// destruction. The shell forgets every icon when it restarts; Add again then.
class CNotifyIcon {
public:
    CNotifyIcon() = default;
    ~CNotifyIcon();
    CNotifyIcon(const CNotifyIcon&) = delete;
    CNotifyIcon& operator=(const CNotifyIcon&) = delete;

    // The shell sends callbackMessage to owner, with the mouse message in lParam's low word.
    // The icon handle is borrowed and must outlive this object's use of it.
    bool Add(HWND owner, UINT id, UINT callbackMessage, HICON icon, std::wstring_view tip);
    // Adds the same icon again, after the shell restarted.
    bool AddAgain();
    // Shows another tip (cut to the shell's 127 characters), now and after a restart.
    bool SetTip(std::wstring_view tip);
    void Remove();

private:
    HWND m_owner = nullptr;
    UINT m_id = 0;
    UINT m_callbackMessage = 0;
    HICON m_icon = nullptr;
    std::wstring m_tip;
    bool m_added = false;
};

// A popup menu, destroyed with the object.
class CPopupMenu {
public:
    CPopupMenu() : m_menu(::CreatePopupMenu()) {}

    void Append(UINT id, std::wstring_view text, bool enabled = true) const;
    void AppendSeparator() const;
    void SetDefault(UINT id) const;
    // Shows the menu at the mouse pointer for owner, which should be in the foreground, and
    // returns the chosen item's id, 0 when none was chosen.
    UINT Track(HWND owner) const;

private:
    CHandleOwner<FreedBy<HMENU, &::DestroyMenu>> m_menu;
};

} // namespace vorna
