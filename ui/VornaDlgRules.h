#pragma once
// The main dialog's small decisions, kept apart from the window so they can be tested
// on their own.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorna {

// The default entry file for what GetCurrentDirectoryW reported into a buffer of
// bufferSize characters. None when the query failed or the directory did not fit: the
// default load is then skipped rather than made from a cut or unread path.
std::optional<std::wstring> DefaultEntryPath(DWORD queryResult, const wchar_t* buffer,
                                             DWORD bufferSize);

// The entry shown for a list selection; none for no selection or a line whose match or
// entry no longer exists (a load replaced the store after the search).
std::optional<std::uint32_t> MatchAt(int selection, const std::vector<std::uint32_t>& matches,
                                     std::size_t entryCount);

// Where an icon of iconExtent pixels is drawn in a client extent: centred, the halving
// truncated toward zero.
int IconOffset(int clientExtent, int iconExtent);

// WM_NCLBUTTONDOWN's lParam for a point in screen coordinates.
LPARAM ScreenPointParam(POINT screen);

// Colour request kinds (WM_CTLCOLOR* - WM_CTLCOLORMSGBOX) that get the white background:
// message box, edit, list box, button, dialog, scroll bar; not static (6).
bool HasWhiteBackground(unsigned kind);

// The text of a global memory block (clipboard text), up to its first zero byte or the
// block's end, whichever comes first: a block written by another program need not hold a
// terminating zero. Empty for no block or one that cannot be locked.
std::string TextOfBlock(HGLOBAL block);
// The same for a block of UTF-16 text (CF_UNICODETEXT): up to its first zero unit or the end
// of its last whole unit.
std::wstring WideTextOfBlock(HGLOBAL block);

} // namespace vorna
