#pragma once
// The notification-area icon of a running Vorna.exe: clicks on it and its menu's items,
// picked with the keys.
#include "Driver.h"

#include "ui/RunningCopy.h"

#include <vector>

namespace vorna::e2e {

// The menu's items, separators not counted.
enum NotifyMenuItem { kItemShow, kItemLoad, kItemOptions, kItemAbout, kItemExit };

inline void ClickNotifyIcon(const VornaProcess& app, UINT mouseMessage) {
    Post(app.Main(), kNotifyIconMessage, kNotifyIconId, mouseMessage);
}

// The popup menu the process shows, if any.
inline HWND ShownMenu(DWORD pid) {
    for (HWND menu = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); menu;
         menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(menu, &owner);
        if (owner == pid && IsWindowVisible(menu))
            return menu;
    }
    return nullptr;
}

// Opens the icon's menu and waits until the program tracks it.
inline HWND OpenNotifyMenu(const VornaProcess& app) {
    ClickNotifyIcon(app, WM_RBUTTONUP);
    HWND menu = nullptr;
    const bool tracked = WaitUntil([&] {
        menu = ShownMenu(app.Pid());
        return menu && (app.ThreadInfo().flags & GUI_INMENUMODE);
    });
    if (!tracked)
        throw DriverError("the icon's menu did not open" + app.DescribeMessageBoxes());
    return menu;
}

// Presses keys in the menu. They go to the menu's own queue: a real key press would go to
// whichever window the X server's focus settles on last. The menu acts on the presses; the
// last key (Enter) ends it and its window goes, so that key is not released: a release
// posted after it could find the window gone.
inline void MenuKeys(HWND menu, const std::vector<WORD>& keys) {
    for (std::size_t i = 0; i < keys.size(); ++i) {
        Post(menu, WM_KEYDOWN, keys[i], 1);
        if (i + 1 < keys.size())
            Post(menu, WM_KEYUP, keys[i], 0xC0000001);
    }
}

// Picks an item with the keys: Home to the first, whatever the pointer may have selected,
// then down; returns once the menu is gone.
inline void PickNotifyMenuItem(const VornaProcess& app, NotifyMenuItem item) {
    const HWND menu = OpenNotifyMenu(app);
    std::vector<WORD> keys{VK_HOME};
    keys.insert(keys.end(), static_cast<std::size_t>(item), VK_DOWN);
    keys.push_back(VK_RETURN);
    MenuKeys(menu, keys);
    if (!WaitUntil([&] { return !IsWindowVisible(menu); }))
        throw DriverError("the icon's menu stayed open");
}

} // namespace vorna::e2e
