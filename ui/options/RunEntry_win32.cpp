#include "ui/options/RunEntry.h"

#include <windows.h>

#include <vector>

namespace vorna {
namespace {

class RunKey {
public:
    explicit RunKey(REGSAM access) {
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, access, nullptr, &m_key,
                              nullptr) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~RunKey() {
        if (m_key)
            ::RegCloseKey(m_key);
    }
    RunKey(const RunKey&) = delete;
    RunKey& operator=(const RunKey&) = delete;
    operator HKEY() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

} // namespace

std::optional<std::wstring> ReadRunEntry() {
    RunKey key(KEY_QUERY_VALUE);
    if (!key)
        return std::nullopt;
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key, kRunValue, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    std::vector<wchar_t> value(bytes / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key, kRunValue, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                           &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(value.data());
}

bool WriteRunEntry(const std::wstring& commandLine) {
    RunKey key(KEY_SET_VALUE);
    return key &&
           ::RegSetValueExW(
               key, kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(commandLine.c_str()),
               static_cast<DWORD>((commandLine.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool RemoveRunEntry() {
    RunKey key(KEY_SET_VALUE);
    if (!key)
        return false;
    const LSTATUS status = ::RegDeleteValueW(key, kRunValue);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

} // namespace vorna
