#pragma once
// The program's command line, read as Unicode so that any path survives.
#include <optional>
#include <string>
#include <string_view>

namespace vorna {

// The file a command line names after the program's own name. Explorer writes
// "...\Vorna.exe" "D:\notes\my notes.vendu"; a user may also type the path without quotes,
// spaces and all, and then the whole rest of the line is the path. When the rest holds a
// quote, it is split by the system's rules and the first argument is the file. None when
// nothing (or only an empty argument) follows the program's name.
std::optional<std::wstring> FileArgument(std::wstring_view commandLine);

// The path made absolute against the current directory, so that it means the same file to
// another process; the path unchanged when the system cannot do that.
std::wstring FullPath(const std::wstring& path);

} // namespace vorna
