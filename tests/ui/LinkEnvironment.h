#pragma once
// Test-side control over where a link click goes under Wine: a shell that refuses web
// addresses, and the ".htm" open command of the prefix's registry.
#include <windows.h>

#include <optional>
#include <string>

namespace vorna::test {

inline bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

// Whether Wine's web browser launcher is disabled for the programs this process starts, so
// the shell refuses a web address at once (code 11). Wine hands its own variables to a child
// from the environment the first program was started with, so the test runner sets
// WINEDLLOVERRIDES for the whole test (it cannot be changed from inside).
inline bool ShellRefusesWeb() {
    char value[1024] = {};
    const DWORD n = ::GetEnvironmentVariableA("WINEDLLOVERRIDES", value, sizeof value);
    return RunningUnderWine() && n > 0 && n < sizeof value &&
           std::string(value).find("winebrowser.exe=d") != std::string::npos;
}

// Points ".htm" pages at a file class of the test's own with the given open command or, given
// none, at a class that has no open command. Only the default value of ".htm" and the test's
// own class are touched; both are put back. A value left behind by an interrupted run is
// recognised by the class name and removed.
class ScopedHtmCommand {
public:
    static constexpr const char* kClass = "VornaLinkTestPage";

    explicit ScopedHtmCommand(const std::optional<std::string>& command) {
        std::string old;
        if (ReadDefault(".htm", old) && old != kClass)
            m_oldClass = old;
        ::RegDeleteTreeA(HKEY_CLASSES_ROOT, kClass);
        WriteDefault(".htm", kClass);
        if (command)
            WriteDefault(std::string(kClass) + "\\shell\\open\\command", *command);
    }
    ~ScopedHtmCommand() {
        ::RegDeleteTreeA(HKEY_CLASSES_ROOT, kClass);
        if (m_oldClass)
            WriteDefault(".htm", *m_oldClass);
        else
            ::RegDeleteTreeA(HKEY_CLASSES_ROOT, ".htm");
    }
    ScopedHtmCommand(const ScopedHtmCommand&) = delete;
    ScopedHtmCommand& operator=(const ScopedHtmCommand&) = delete;

private:
    static bool ReadDefault(const std::string& key, std::string& value) {
        char buffer[1024] = {};
        LONG size = sizeof buffer;
        if (::RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), buffer, &size) != ERROR_SUCCESS)
            return false;
        value = buffer;
        return true;
    }
    static void WriteDefault(const std::string& key, const std::string& value) {
        HKEY k = nullptr;
        if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &k, nullptr) != ERROR_SUCCESS)
            return;
        ::RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
        ::RegCloseKey(k);
    }

    std::optional<std::string> m_oldClass;
};

} // namespace vorna::test
