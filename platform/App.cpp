#include "platform/App.h"

#include "platform/Dialog.h"
#include "text/Convert.h"
#include "platform/Win.h"

#include <commctrl.h>

#include <vector>

namespace vorna {
namespace {

CApp* g_app = nullptr;
HINSTANCE g_instance = nullptr;

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

HINSTANCE AppInstance() {
    return g_instance ? g_instance : ::GetModuleHandleW(nullptr);
}

std::wstring AppName() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size())
            return AppNameFromPath(std::wstring_view(path.data(), n));
        path.resize(path.size() * 2);
    }
}

HICON LoadAppIcon(UINT id) {
    return ::LoadIconW(AppInstance(), MAKEINTRESOURCEW(id));
}

int CApp::Start(HINSTANCE instance) {
    g_instance = instance;
    // The classes of the common controls must exist before a template names them.
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_BAR_CLASSES | ICC_HOTKEY_CLASS | ICC_TAB_CLASSES | ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&classes);

    bool runLoop = false;
    try {
        runLoop = Init();
    } catch (...) {
        LogDroppedException(L"the application's initialisation");
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
    std::wstring text = ToWide(utf8Text, Encoding::utf8).text;
    return ::MessageBoxW(OwnerOrActiveModal(owner), text.c_str(), AppName().c_str(), type);
}

} // namespace vorna
