#include "ui/RunningCopy.h"

namespace vorna {
namespace {

// A hung copy must not hold the new one up for long.
constexpr UINT kAnswerTimeoutMs = 5000;

BOOL CALLBACK FindMarkedWindow(HWND window, LPARAM found) {
    if (!::GetPropW(window, kRunningCopyProperty))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

bool IsLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// "C:\..." or "\\server\share\...": nothing is left to the receiver's current directory.
bool IsFullPath(const std::wstring& path) {
    if (path.size() >= 3 && IsLetter(path[0]) && path[1] == L':' && IsSeparator(path[2]))
        return true;
    return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

} // namespace

void MarkRunningCopy(HWND window) {
    ::SetPropW(window, kRunningCopyProperty, reinterpret_cast<HANDLE>(1));
}

void UnmarkRunningCopy(HWND window) {
    ::RemovePropW(window, kRunningCopyProperty);
}

bool HandFileToRunningCopy(const std::wstring& fullPath) {
    HWND running = nullptr;
    ::EnumWindows(&FindMarkedWindow, reinterpret_cast<LPARAM>(&running));
    if (!running || fullPath.empty() || fullPath.size() > kLongestPath)
        return false;
    // The running copy comes to the front when it shows the file: this process, started by
    // the user just now, may let it.
    DWORD pid = 0;
    ::GetWindowThreadProcessId(running, &pid);
    ::AllowSetForegroundWindow(pid);

    COPYDATASTRUCT data{};
    data.dwData = kHandOverTag;
    data.cbData = static_cast<DWORD>(fullPath.size() * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(fullPath.data());
    DWORD_PTR answer = 0;
    LRESULT sent = ::SendMessageTimeoutW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                         SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerTimeoutMs, &answer);
    return sent != 0 && answer == TRUE;
}

std::optional<std::wstring> HandedPath(const COPYDATASTRUCT& data) {
    if (data.dwData != kHandOverTag || !data.lpData || data.cbData == 0 ||
        data.cbData % sizeof(wchar_t) != 0 || data.cbData / sizeof(wchar_t) > kLongestPath)
        return std::nullopt;
    std::wstring path(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t));
    if (path.find(L'\0') != std::wstring::npos || !IsFullPath(path))
        return std::nullopt;
    return path;
}

} // namespace vorna
