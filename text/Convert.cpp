// What the system's converter does not say by itself: that a conversion is exact (it comes
// back as the source), and where the first thing is that is not. That place is looked for only
// once a whole text has failed, one character at a time.
#include "text/Convert.h"

#include "text/CodePage.h"
#include "text/ConvertSystem.h"

namespace vorna {
namespace {

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Code units of the character at i; 0 where the units there begin none.
std::size_t CharLength(std::string_view text, std::size_t i, Encoding encoding) {
    switch (encoding) {
    case Encoding::utf8:
        return Utf8CharLength(text, i);
    case Encoding::cp936:
        return Cp936CharLength(text, i);
    case Encoding::system:
        break;
    }
    return detail::SystemCharLength(text, i);
}

// A surrogate pair is one character where wide text is UTF-16.
std::size_t CharLength(std::wstring_view text, std::size_t i, Encoding) {
    return sizeof(wchar_t) == 2 && IsHighSurrogate(text[i]) && i + 1 < text.size() &&
                   IsLowSurrogate(text[i + 1])
               ? 2
               : 1;
}

char32_t CodePoint(std::wstring_view character) {
    if (character.size() == 2)
        return 0x10000 + ((static_cast<char32_t>(character[0]) - 0xD800) << 10) +
               (static_cast<char32_t>(character[1]) - 0xDC00);
    return character.empty() ? 0 : static_cast<char32_t>(character[0]);
}

bool ExactToWide(std::string_view text, Encoding from, std::wstring& out) {
    std::string back;
    return detail::SystemToWide(text, from, out) && detail::SystemFromWide(out, from, back) &&
           back == text;
}

bool ExactFromWide(std::wstring_view text, Encoding to, std::string& out) {
    std::wstring back;
    return detail::SystemFromWide(text, to, out) && detail::SystemToWide(out, to, back) &&
           back == text;
}

bool ExactConvert(std::string_view text, Encoding from, Encoding to, std::string& out) {
    std::string back;
    return detail::SystemConvert(text, from, to, out) &&
           detail::SystemConvert(out, to, from, back) && back == text;
}

// The character that text holds, 0 when it holds none.
char32_t CharacterOf(std::string_view text, Encoding encoding) {
    std::wstring wide;
    return detail::SystemToWide(text, encoding, wide) ? CodePoint(wide) : 0;
}

char32_t CharacterOf(std::wstring_view text, Encoding) {
    return CodePoint(text);
}

// The first character of text that does not convert exactly on its own.
template <class Out, class Char, class Exact>
ConversionError FirstFailure(std::basic_string_view<Char> text, Exact exact, Encoding encoding) {
    Out scratch;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = CharLength(text, i, encoding);
        if (n == 0)
            return {i, 1, 0};
        const std::basic_string_view<Char> one = text.substr(i, n);
        if (!exact(one, scratch))
            return {i, n, CharacterOf(one, encoding)};
        i += n;
    }
    return {};
}

// exact(text, out) on the whole text, and where it fails, the place of the first failure.
// encoding tells the characters of byte text apart; wide text has its own.
template <class Out, class Char, class Exact>
Converted<Out> Checked(std::basic_string_view<Char> text, Exact exact, Encoding encoding) {
    Converted<Out> result;
    if (exact(text, result.text))
        return result;
    result.ok = false;
    result.error = FirstFailure<Out>(text, exact, encoding);
    return result;
}

} // namespace

Converted<std::wstring> ToWide(std::string_view text, Encoding from) {
    return Checked<std::wstring>(
        text, [from](std::string_view t, std::wstring& out) { return ExactToWide(t, from, out); },
        from);
}

Converted<std::string> FromWide(std::wstring_view text, Encoding to) {
    return Checked<std::string>(
        text, [to](std::wstring_view t, std::string& out) { return ExactFromWide(t, to, out); },
        to);
}

Converted<std::string> Convert(std::string_view text, Encoding from, Encoding to) {
    if (detail::SameEncoding(from, to)) {
        Converted<std::string> same;
        same.text = text;
        return same;
    }
    return Checked<std::string>(
        text,
        [from, to](std::string_view t, std::string& out) { return ExactConvert(t, from, to, out); },
        from);
}

} // namespace vorna
