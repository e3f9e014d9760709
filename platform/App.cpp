#include "platform/App.h"

#include "platform/Dialog.h"
#include "platform/Text.h"

#include <commctrl.h>

#include <vector>

namespace vorna {
namespace {

CApp* g_app = nullptr;

} // namespace

CApp::CApp() {
    g_app = this;
}

CApp::~CApp() {
    if (g_app == this)
        g_app = nullptr;
}

CApp* CApp::Get() {
    return g_app;
}

HINSTANCE CApp::GetInstance() const {
    return m_hInstance ? m_hInstance : ::GetModuleHandleW(nullptr);
}

const std::wstring& CApp::GetAppName() const {
    if (m_appName.empty()) {
        std::vector<wchar_t> path(MAX_PATH);
        for (;;) {
            DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
            if (n == 0)
                break;
            if (n < path.size()) {
                m_appName = AppNameFromPath(std::wstring_view(path.data(), n));
                break;
            }
            path.resize(path.size() * 2);
        }
    }
    return m_appName;
}

HICON CApp::LoadAppIcon(UINT id) const {
    return ::LoadIconW(GetInstance(), MAKEINTRESOURCEW(id));
}

int CApp::Start(HINSTANCE instance) {
    m_hInstance = instance;
    // The classes of the common controls must exist before a template names them.
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_BAR_CLASSES | ICC_HOTKEY_CLASS | ICC_TAB_CLASSES | ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&classes);

    bool runLoop = false;
    try {
        runLoop = Init();
    } catch (...) {
        return 1;
    }
    if (!runLoop)
        return 0;
    MSG msg{};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

std::wstring AppNameFromPath(std::wstring_view modulePath) {
    std::size_t slash = modulePath.find_last_of(L"\\/:");
    std::wstring_view name =
        slash == std::wstring_view::npos ? modulePath : modulePath.substr(slash + 1);
    std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring_view::npos && dot > 0)
        name = name.substr(0, dot);
    return std::wstring(name);
}

int ShowMessageBox(HWND owner, std::string_view utf8Text, UINT type) {
    if (!owner && CDialog::GetActiveModal())
        owner = CDialog::GetActiveModal()->m_hWnd;
    std::wstring caption = CApp::Get() ? CApp::Get()->GetAppName() : std::wstring();
    if (caption.empty()) {
        wchar_t path[MAX_PATH] = {};
        DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
        caption = AppNameFromPath(std::wstring_view(path, n < MAX_PATH ? n : 0));
    }
    std::wstring text = WideFromUtf8(utf8Text);
    return ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

} // namespace vorna
