#include "platform/Text.h"

#include <windows.h>

namespace vorna {
namespace {

std::wstring ToWide(UINT codePage, std::string_view text) {
    if (text.empty())
        return {};
    int n =
        ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                              n);
    return wide;
}

std::string FromWide(UINT codePage, std::wstring_view text) {
    if (text.empty())
        return {};
    int n = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                  0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(n), '\0');
    if (n > 0)
        ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                              n, nullptr, nullptr);
    return bytes;
}

} // namespace

std::wstring WideFromUtf8(std::string_view utf8) {
    return ToWide(CP_UTF8, utf8);
}

std::string Utf8FromWide(std::wstring_view wide) {
    return FromWide(CP_UTF8, wide);
}

std::wstring WideFromAnsi(std::string_view ansi) {
    return ToWide(CP_ACP, ansi);
}

std::string AnsiFromWide(std::wstring_view wide) {
    return FromWide(CP_ACP, wide);
}

LeadBytes ActiveCodePageLeadBytes() {
    CPINFO info{};
    if (!::GetCPInfo(CP_ACP, &info))
        return LeadBytes();
    std::vector<std::pair<unsigned char, unsigned char>> ranges;
    for (int i = 0; i + 1 < MAX_LEADBYTES && (info.LeadByte[i] || info.LeadByte[i + 1]); i += 2)
        ranges.emplace_back(info.LeadByte[i], info.LeadByte[i + 1]);
    return LeadBytes::FromRanges(ranges);
}

} // namespace vorna
