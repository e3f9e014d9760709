// Tells the capture scripts where the running program's main window and its visible controls
// are, and whether any of them still waits to be painted. Prints, in screen pixels:
//   window LEFT TOP WIDTH HEIGHT PENDING
//   control ID LEFT TOP WIDTH HEIGHT PENDING   (LEFT and TOP from the window's corner)
// PENDING is 1 while the system still holds a part of it to repaint. Exits with 1 when no
// copy of the program runs.
#include "ui/RunningCopy.h"

#include <windows.h>

#include <cstdio>

namespace {

BOOL CALLBACK FindMainWindow(HWND window, LPARAM found) {
    if (!GetPropW(window, vorna::kRunningCopyProperty))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

int Pending(HWND window) {
    return GetUpdateRect(window, nullptr, FALSE) ? 1 : 0;
}

} // namespace

int main() {
    HWND main = nullptr;
    EnumWindows(&FindMainWindow, reinterpret_cast<LPARAM>(&main));
    if (!main || !IsWindowVisible(main))
        return 1;
    RECT window{};
    GetWindowRect(main, &window);
    std::printf("window %ld %ld %ld %ld %d\n", window.left, window.top, window.right - window.left,
                window.bottom - window.top, Pending(main));
    for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        RECT r{};
        GetWindowRect(child, &r);
        std::printf("control %d %ld %ld %ld %ld %d\n", GetDlgCtrlID(child), r.left - window.left,
                    r.top - window.top, r.right - r.left, r.bottom - r.top, Pending(child));
    }
    return 0;
}
