#pragma once
// Test-side control over where a link click goes under Wine: a shell that refuses web
// addresses, and the ".htm" open command of the prefix's registry.
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

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

    // type: REG_SZ, or REG_EXPAND_SZ for a command with environment variables.
    explicit ScopedHtmCommand(const std::optional<std::string>& command, DWORD type = REG_SZ) {
        std::string old;
        if (ReadDefault(".htm", old) && old != kClass)
            m_oldClass = old;
        ::RegDeleteTreeA(HKEY_CLASSES_ROOT, kClass);
        WriteDefault(".htm", kClass);
        if (command)
            WriteDefault(std::string(kClass) + "\\shell\\open\\command", *command, type);
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
    static void WriteDefault(const std::string& key, const std::string& value,
                             DWORD type = REG_SZ) {
        HKEY k = nullptr;
        if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &k, nullptr) != ERROR_SUCCESS)
            return;
        ::RegSetValueExA(k, nullptr, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
        ::RegCloseKey(k);
    }

    std::optional<std::string> m_oldClass;
};

// The file the stand-in browser writes its command line to, named for this process; removed
// before and after.
class RecordFile {
public:
    RecordFile() {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        m_path = std::string(temp) + "vorna_link_record_" +
                 std::to_string(::GetCurrentProcessId()) + ".txt";
        ::DeleteFileA(m_path.c_str());
    }
    ~RecordFile() { ::DeleteFileA(m_path.c_str()); }
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // The stand-in browser's option that names this file.
    std::string Option() const { return "--record=\"" + m_path + "\""; }

    // The recorded command line, once it is there (polled); empty after the timeout.
    std::string Wait(std::chrono::milliseconds timeout = std::chrono::seconds(15)) const {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            HANDLE file = ::CreateFileA(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                char buffer[4096] = {};
                DWORD got = 0;
                ::ReadFile(file, buffer, sizeof buffer - 1, &got, nullptr);
                ::CloseHandle(file);
                return std::string(buffer, got);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return {};
    }
    bool Exists() const { return ::GetFileAttributesA(m_path.c_str()) != INVALID_FILE_ATTRIBUTES; }

private:
    std::string m_path;
};

} // namespace vorna::test
