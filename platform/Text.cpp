#include "platform/Text.h"

#include <windows.h>

#include <utility>

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

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// A code page of UTF-8 holds every character; it refuses only lone surrogates, and takes
// neither the best-fit flag nor the used-default flag.
struct StrictFlags {
    DWORD flags;
    bool askDefault;
};

StrictFlags StrictFlagsFor(UINT codePage) {
    if (codePage == CP_UTF8)
        return {WC_ERR_INVALID_CHARS, false};
    return {WC_NO_BEST_FIT_CHARS, true};
}

// Converts text without best-fit look-alikes; false when a character had no code of its own.
// bytes then hold the default character in its place, or stay empty where the code page
// refuses the whole text instead (UTF-8).
bool ConvertStrict(UINT codePage, std::wstring_view text, std::string* bytes) {
    const StrictFlags strict = StrictFlagsFor(codePage);
    BOOL usedDefault = FALSE;
    BOOL* askDefault = strict.askDefault ? &usedDefault : nullptr;
    const int size = static_cast<int>(text.size());
    int n = ::WideCharToMultiByte(codePage, strict.flags, text.data(), size, nullptr, 0, nullptr,
                                  askDefault);
    if (n <= 0)
        return false;
    if (bytes) {
        std::string converted(static_cast<std::size_t>(n), '\0');
        n = ::WideCharToMultiByte(codePage, strict.flags, text.data(), size, converted.data(), n,
                                  nullptr, askDefault);
        if (n <= 0)
            return false;
        converted.resize(static_cast<std::size_t>(n));
        *bytes = std::move(converted);
    }
    return !usedDefault;
}

// The first character of text that does not convert on its own. Looked for only once the
// whole text has failed, one character (a surrogate pair together) at a time.
ConversionError FindFirstUnconvertible(UINT codePage, std::wstring_view text) {
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 1;
        char32_t character = text[i];
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            length = 2;
            character = 0x10000 + ((static_cast<char32_t>(text[i]) - 0xD800) << 10) +
                        (static_cast<char32_t>(text[i + 1]) - 0xDC00);
        }
        if (!ConvertStrict(codePage, text.substr(i, length), nullptr))
            return {character, i, length};
        i += length;
    }
    return {};
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

AnsiConversion AnsiFromWideStrict(std::wstring_view wide) {
    AnsiConversion result;
    if (wide.empty())
        return result;
    if (ConvertStrict(CP_ACP, wide, &result.text))
        return result;
    if (result.text.empty())
        result.text = AnsiFromWide(wide);
    result.ok = false;
    result.error = FindFirstUnconvertible(CP_ACP, wide);
    return result;
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
