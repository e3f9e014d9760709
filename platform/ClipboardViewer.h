#pragma once
// A window's place in the clipboard viewer chain: joined once, every notice passed on to the
// window after it, the chain mended when a viewer leaves, and left again.
#include <windows.h>

namespace vorna {

class CClipboardViewer {
public:
    // The first notice (WM_DRAWCLIPBOARD) arrives inside this call, before the next viewer is
    // known: it is not passed on, as the clipboard has not changed for the others.
    void Join(HWND window);
    // WM_DRAWCLIPBOARD, after the window's own handling: to the next viewer, if any.
    void PassOn(WPARAM wParam, LPARAM lParam) const;
    // WM_CHANGECBCHAIN: leaving takes itself out, following comes after it.
    void OnChangeCbChain(HWND leaving, HWND following);
    // Before the window is destroyed, so the viewers after it keep receiving notices.
    void Leave();

private:
    HWND m_hWnd = nullptr;
    // The window after this one in the chain; none while this one is last.
    HWND m_hNextViewer = nullptr;
};

} // namespace vorna
