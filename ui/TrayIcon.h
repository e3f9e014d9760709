#pragma once
// The main window's icon in the notification area and the menu it opens, so that a keyboard
// without a keypad still gets the window back.
#include "platform/Handle.h"
#include "platform/NotifyIcon.h"

#include <windows.h>

#include <string_view>

namespace vorna {

class CTrayIcon {
public:
    // What a click on the icon or its menu asks the window to do.
    enum class Command { none, show, load, options, about, exit };

    // Puts the icon (the program's icon at the notification area's size, else fallback) into
    // the notification area for window, which receives kNotifyIconMessage for it.
    void Add(HWND window, HICON fallback);
    // True for the message the shell sends every top-level window when it was made anew
    // (Explorer restarted): the icon is added again.
    bool OnShellRestarted(UINT message);
    // A mouse message on the icon: a click shows the window, the right button opens the menu,
    // owned by owner. While a dialog of the program is up (free false) it offers only 显示.
    Command OnMouse(LPARAM mouseMessage, HWND owner, bool free);
    // What the icon's tip says from now on.
    void SetTip(std::wstring_view tip) { m_notifyIcon.SetTip(tip); }
    void Remove();

private:
    // The icon at the size of the notification area, made for it.
    CIconCopy m_iconSmall;
    CNotifyIcon m_notifyIcon;
    // Sent to every top-level window when the taskbar is made anew.
    UINT m_nTaskbarCreated = 0;
};

} // namespace vorna
