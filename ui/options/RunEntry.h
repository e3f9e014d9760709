#pragma once
// Starting with Windows: the current user's Run entry of the program, named "Lirel", under
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run.
#include <optional>
#include <string>

namespace vorna {

inline constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kRunValue[] = L"Lirel";

// The command line the entry holds, none when there is no entry.
std::optional<std::wstring> ReadRunEntry();
// Writes the entry; false when the registry refused.
bool WriteRunEntry(const std::wstring& commandLine);
// Removes the entry; true also when there was none.
bool RemoveRunEntry();

} // namespace vorna
