#include "platform/ClipboardViewer.h"

namespace vorna {

void CClipboardViewer::Join(HWND window) {
    m_hWnd = window;
    m_hNextViewer = ::SetClipboardViewer(window);
}

void CClipboardViewer::PassOn(WPARAM wParam, LPARAM lParam) const {
    if (m_hNextViewer)
        ::SendMessageW(m_hNextViewer, WM_DRAWCLIPBOARD, wParam, lParam);
}

void CClipboardViewer::OnChangeCbChain(HWND leaving, HWND following) {
    if (leaving == m_hNextViewer)
        m_hNextViewer = following;
    else if (m_hNextViewer)
        ::SendMessageW(m_hNextViewer, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(leaving),
                       reinterpret_cast<LPARAM>(following));
}

void CClipboardViewer::Leave() {
    ::ChangeClipboardChain(m_hWnd, m_hNextViewer);
    m_hNextViewer = nullptr;
}

} // namespace vorna
