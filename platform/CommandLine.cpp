#include "platform/CommandLine.h"

#include <windows.h>

#include <shellapi.h>

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

} // namespace vorna
