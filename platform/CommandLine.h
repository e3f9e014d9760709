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

// The process's current directory; empty when the system cannot tell it.
std::wstring CurrentFolder();

// The switch that names the folder to start in, for a start whose current directory is not
// the user's choice (the system's Run entry): /startin:"D:\notes". The folder is quoted and
// ends at the next quote (a path holds none), so a trailing backslash needs no escape.
inline constexpr std::wstring_view kStartInSwitch = L"/startin:";

// A command line split into the folder of a /startin: switch right after the program's name
// (none when there is none) and the line without the switch, for FileArgument.
struct StartIn {
    std::optional<std::wstring> folder;
    std::wstring rest;
};
StartIn TakeStartFolder(std::wstring_view commandLine);

// The command line that starts program (a full path) in folder.
std::wstring StartCommand(std::wstring_view program, std::wstring_view folder);

} // namespace vorna
