#pragma once
// One copy of the program at a time for files: a copy started with a file hands it to the
// copy that runs already. These names are how other processes find and reach that copy.
#include <windows.h>

#include <optional>
#include <string>

namespace vorna {

// The property that marks the main window of a running copy. Looked for instead of the
// window's title, which is empty and could be any other program's.
inline constexpr wchar_t kRunningCopyProperty[] = L"Lirel.Vorna.MainWindow";
// WM_COPYDATA's dwData of a hand-over; lpData holds the file's full path in UTF-16, without
// a terminating zero.
inline constexpr ULONG_PTR kHandOverTag = 0x4C524C46;
// The longest path the system accepts, in UTF-16 units.
inline constexpr std::size_t kLongestPath = 32767;
// The main window's notification-area icon: its id, and the message the shell sends the
// window for it, with the mouse message in lParam.
inline constexpr UINT kNotifyIconId = 1;
inline constexpr UINT kNotifyIconMessage = WM_APP + 1;

// Marks window as the running copy's main window, and takes the mark away again.
void MarkRunningCopy(HWND window);
void UnmarkRunningCopy(HWND window);

// Hands the file (a full path) to a running copy. True when one took it: this process has
// nothing more to do. False when none runs or none answered or it refused the path.
bool HandFileToRunningCopy(const std::wstring& fullPath);

// The path a hand-over carries, when the message is a well-formed one: the tag, an even
// size of 1 to kLongestPath UTF-16 units, no zero inside, a full path. The data comes from
// another process and is trusted in nothing else.
std::optional<std::wstring> HandedPath(const COPYDATASTRUCT& data);

} // namespace vorna
