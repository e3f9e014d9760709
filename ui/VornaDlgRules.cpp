#include "ui/VornaDlgRules.h"

#include "platform/Library.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vorna {

std::optional<std::wstring> DefaultEntryPath(DWORD queryResult, const wchar_t* buffer,
                                             DWORD bufferSize) {
    // A result as large as the buffer is the size the directory would need.
    if (queryResult == 0 || queryResult >= bufferSize)
        return std::nullopt;
    std::wstring path(buffer, queryResult);
    path += L"\\super.vendu";
    return path;
}

std::optional<std::uint32_t> MatchAt(int selection, const std::vector<std::uint32_t>& matches,
                                     std::size_t entryCount) {
    if (selection < 0 || static_cast<std::size_t>(selection) >= matches.size())
        return std::nullopt;
    std::uint32_t index = matches[static_cast<std::size_t>(selection)];
    if (index >= entryCount)
        return std::nullopt;
    return index;
}

int IconOffset(int clientExtent, int iconExtent) {
    return (clientExtent - iconExtent + 1) / 2;
}

LPARAM ScreenPointParam(POINT screen) {
    return static_cast<LPARAM>((static_cast<DWORD>(screen.x) & 0xFFFFu) |
                               ((static_cast<DWORD>(screen.y) & 0xFFFFu) << 16));
}

bool HasWhiteBackground(unsigned kind) {
    return kind <= CTLCOLOR_SCROLLBAR;
}

std::string TextOfBlock(HGLOBAL block) {
    CGlobalLock lock(block);
    const char* bytes = static_cast<const char*>(lock.Get());
    if (!bytes)
        return std::string();
    std::size_t size = ::GlobalSize(block);
    const void* zero = std::memchr(bytes, 0, size);
    std::size_t length =
        zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes) : size;
    return std::string(bytes, length);
}

std::wstring WideTextOfBlock(HGLOBAL block) {
    CGlobalLock lock(block);
    const auto* units = static_cast<const wchar_t*>(lock.Get());
    if (!units)
        return std::wstring();
    const std::size_t size = ::GlobalSize(block) / sizeof(wchar_t);
    return std::wstring(units, std::find(units, units + size, L'\0'));
}

} // namespace vorna
