#include "text/LineBreaks.h"

#include <algorithm>

namespace vorna {
namespace {

bool IsSpace(char32_t c) {
    return c == U' ' || c == U'\t';
}

bool IsHighSurrogate(wchar_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// The scripts written without spaces between words (CJK and after), and the full-width forms.
bool IsWide(char32_t c) {
    return c >= 0x2E80;
}

bool ClosesOrPauses(char32_t c) {
    static constexpr std::u32string_view marks = U"、。，．：；？！）］｝〉》」』】〕…”’";
    return marks.find(c) != std::u32string_view::npos;
}

bool Opens(char32_t c) {
    static constexpr std::u32string_view marks = U"（［｛〈《「『【〔“‘";
    return marks.find(c) != std::u32string_view::npos;
}

// The character that begins at i, and how many units it takes.
char32_t CharacterAt(std::wstring_view text, std::size_t i, std::size_t& units) {
    const wchar_t u = text[i];
    if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
        units = 2;
        return 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
               (static_cast<char32_t>(text[i + 1]) - 0xDC00);
    }
    units = 1;
    return static_cast<char32_t>(u);
}

// The character that ends just before i (i > 0).
char32_t CharacterBefore(std::wstring_view text, std::size_t i) {
    std::size_t units = 1;
    if (i >= 2 && IsLowSurrogate(text[i - 1]) && IsHighSurrogate(text[i - 2]))
        return CharacterAt(text, i - 2, units);
    return static_cast<char32_t>(text[i - 1]);
}

bool CanBreakBefore(char32_t before, char32_t at) {
    if (IsSpace(at))
        return false;
    if (IsSpace(before))
        return true;
    if (ClosesOrPauses(at) || Opens(before))
        return false;
    return IsWide(at) || IsWide(before);
}

} // namespace

std::vector<std::size_t> FindLineBreaks(std::wstring_view text, int fit, int limit,
                                        const CharacterWidth& width) {
    std::vector<std::size_t> breaks;
    const std::size_t n = text.size();
    std::size_t lineStart = 0;
    std::size_t lastChance = 0; // a place to break after lineStart, or lineStart: none yet
    int x = 0;
    std::size_t i = 0;
    while (i < n) {
        const bool crlf = text[i] == L'\r' && i + 1 < n && text[i + 1] == L'\n';
        if (text[i] == L'\n' || crlf) {
            i += crlf ? 2 : 1;
            lineStart = lastChance = i;
            x = 0;
            continue;
        }
        std::size_t units = 1;
        const char32_t c = CharacterAt(text, i, units);
        if (i > lineStart && CanBreakBefore(CharacterBefore(text, i), c))
            lastChance = i;
        const int w = width(c, x);
        const bool fits = x + w <= fit || (IsSpace(c) && x + w <= limit);
        if (!fits && i > lineStart) {
            // Back to the last place to break, and what follows it measured again on the new
            // line; with no such place the line breaks before this character.
            const std::size_t at = lastChance > lineStart ? lastChance : i;
            breaks.push_back(at);
            i = lineStart = lastChance = at;
            x = 0;
            continue;
        }
        x += w;
        i += units;
    }
    return breaks;
}

std::wstring InsertLineBreaks(std::wstring_view text, const std::vector<std::size_t>& breaks) {
    std::wstring shown;
    shown.reserve(text.size() + 2 * breaks.size());
    std::size_t from = 0;
    for (std::size_t at : breaks) {
        shown.append(text.substr(from, at - from)).append(L"\r\n");
        from = at;
    }
    shown.append(text.substr(from));
    return shown;
}

std::size_t TextPosition(std::size_t shownPosition, const std::vector<std::size_t>& breaks) {
    // Break j stands at breaks[j] + 2 j in the shown text; count those wholly before.
    std::size_t low = 0, high = breaks.size();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if (breaks[mid] + 2 * mid + 2 <= shownPosition)
            low = mid + 1;
        else
            high = mid;
    }
    if (low < breaks.size() && breaks[low] + 2 * low < shownPosition)
        return breaks[low];
    return shownPosition - 2 * low;
}

} // namespace vorna
