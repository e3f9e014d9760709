#include "platform/CommandLine.h"

#include <windows.h>

#include <shellapi.h>

#include <cwctype>
#include <vector>

namespace vorna {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// What follows the program's name. The name itself is split the system's way: up to the
// closing quote when it starts with one, else up to the first blank; no escapes.
std::wstring_view AfterProgramName(std::wstring_view line) {
    std::size_t at = 0;
    if (!line.empty() && line[0] == L'"') {
        std::size_t close = line.find(L'"', 1);
        at = close == std::wstring_view::npos ? line.size() : close + 1;
    }
    while (at < line.size() && !IsBlank(line[at]))
        ++at;
    return line.substr(at);
}

std::wstring_view WithoutLeadingBlanks(std::wstring_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

bool StartsWithSwitch(std::wstring_view s) {
    if (s.size() < kStartInSwitch.size())
        return false;
    for (std::size_t i = 0; i < kStartInSwitch.size(); ++i) {
        if (::towlower(s[i]) != kStartInSwitch[i])
            return false;
    }
    return true;
}

// The first argument after the program's name, by the system's own splitting.
std::wstring FirstSplitArgument(std::wstring_view line) {
    std::wstring copy(line);
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(copy.c_str(), &count);
    if (!args)
        return {};
    std::wstring first = count > 1 ? args[1] : L"";
    ::LocalFree(args);
    return first;
}

} // namespace

std::optional<std::wstring> FileArgument(std::wstring_view commandLine) {
    std::wstring_view rest = AfterProgramName(commandLine);
    while (!rest.empty() && IsBlank(rest.front()))
        rest.remove_prefix(1);
    while (!rest.empty() && IsBlank(rest.back()))
        rest.remove_suffix(1);
    if (rest.empty())
        return std::nullopt;
    std::wstring file = rest.find(L'"') == std::wstring_view::npos
                            ? std::wstring(rest)
                            : FirstSplitArgument(commandLine);
    if (file.empty())
        return std::nullopt;
    return file;
}

std::wstring FullPath(const std::wstring& path) {
    DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::vector<wchar_t> buffer(needed);
    DWORD n = ::GetFullPathNameW(path.c_str(), needed, buffer.data(), nullptr);
    if (n == 0 || n >= needed)
        return path;
    return std::wstring(buffer.data(), n);
}

std::wstring CurrentFolder() {
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    if (needed == 0)
        return {};
    std::vector<wchar_t> buffer(needed);
    const DWORD n = ::GetCurrentDirectoryW(needed, buffer.data());
    if (n == 0 || n >= needed)
        return {};
    return std::wstring(buffer.data(), n);
}

StartIn TakeStartFolder(std::wstring_view commandLine) {
    const std::wstring_view afterName = AfterProgramName(commandLine);
    const std::wstring_view name = commandLine.substr(0, commandLine.size() - afterName.size());
    std::wstring_view rest = WithoutLeadingBlanks(afterName);
    if (!StartsWithSwitch(rest))
        return {std::nullopt, std::wstring(commandLine)};
    rest.remove_prefix(kStartInSwitch.size());
    std::wstring_view folder;
    if (!rest.empty() && rest.front() == L'"') {
        const std::size_t close = rest.find(L'"', 1);
        folder = rest.substr(1, close == std::wstring_view::npos ? close : close - 1);
        rest.remove_prefix(close == std::wstring_view::npos ? rest.size() : close + 1);
    } else {
        std::size_t end = 0;
        while (end < rest.size() && !IsBlank(rest[end]))
            ++end;
        folder = rest.substr(0, end);
        rest.remove_prefix(end);
    }
    StartIn start;
    if (!folder.empty())
        start.folder = std::wstring(folder);
    start.rest = std::wstring(name) + std::wstring(rest);
    return start;
}

std::wstring StartCommand(std::wstring_view program, std::wstring_view folder) {
    std::wstring line = L"\"";
    line.append(program).append(L"\" ").append(kStartInSwitch).append(L"\"");
    return line.append(folder).append(L"\"");
}

} // namespace vorna
