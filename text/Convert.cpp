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

bool IsUtf16(Encoding encoding) {
    return encoding == Encoding::utf16le || encoding == Encoding::utf16be;
}

// The UTF-16 unit at byte offset i.
char16_t Utf16Unit(std::string_view text, std::size_t i, Encoding encoding) {
    const auto first = static_cast<unsigned char>(text[i]);
    const auto second = static_cast<unsigned char>(text[i + 1]);
    return static_cast<char16_t>(encoding == Encoding::utf16le ? first | second << 8
                                                               : first << 8 | second);
}

// Bytes of the UTF-16 character at i: 2, or 4 for a surrogate pair; 0 for a last odd byte.
std::size_t Utf16CharLength(std::string_view text, std::size_t i, Encoding encoding) {
    if (i + 2 > text.size())
        return 0;
    const char16_t unit = Utf16Unit(text, i, encoding);
    return unit >= 0xD800 && unit <= 0xDBFF && i + 4 <= text.size() &&
                   IsLowSurrogate(static_cast<wchar_t>(Utf16Unit(text, i + 2, encoding)))
               ? 4
               : 2;
}

// UTF-16 bytes to wide text: the units as they are where wchar_t is UTF-16, whole characters
// where it is UTF-32. A lone surrogate or a last odd byte fails, with U+FFFD in its place.
bool Utf16ToWide(std::string_view text, Encoding from, std::wstring& out) {
    out.clear();
    out.reserve(text.size() / 2);
    bool ok = true;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf16CharLength(text, i, from);
        const char16_t unit = n ? Utf16Unit(text, i, from) : 0;
        if (n == 0 || (n == 2 && unit >= 0xD800 && unit <= 0xDFFF)) {
            ok = false;
            out.push_back(L'\xFFFD');
            i += n ? n : text.size() - i;
            continue;
        }
        if (n == 4 && sizeof(wchar_t) == 4) {
            out.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) +
                                               (Utf16Unit(text, i + 2, from) - 0xDC00)));
        } else {
            out.push_back(static_cast<wchar_t>(unit));
            if (n == 4)
                out.push_back(static_cast<wchar_t>(Utf16Unit(text, i + 2, from)));
        }
        i += n;
    }
    return ok;
}

bool WideToUtf16(std::wstring_view text, Encoding to, std::string& out) {
    out.clear();
    out.reserve(text.size() * 2);
    bool ok = true;
    const auto put = [&out, to](char32_t unit) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        out += to == Encoding::utf16le ? low : high;
        out += to == Encoding::utf16le ? high : low;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<char32_t>(text[i]);
        if (sizeof(wchar_t) == 2 && IsHighSurrogate(text[i]) && i + 1 < text.size() &&
            IsLowSurrogate(text[i + 1])) {
            put(c);
            put(static_cast<char32_t>(text[++i]));
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            ok = false;
            put(0xFFFD);
        } else if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return ok;
}

// UTF-16 bytes straight to UTF-8, as a whole UTF-16 entry file is read: valid UTF-16 and
// UTF-8 hold the same characters, so this is exact unless a lone surrogate or a last odd
// byte fails (U+FFFD in its place).
bool Utf16ToUtf8(std::string_view text, Encoding from, std::string& out) {
    // At most three bytes for the two of a unit, and three for a last odd byte.
    out.resize(text.size() + text.size() / 2 + 3);
    char* to = out.data();
    bool ok = true;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const bool little = from == Encoding::utf16le;
    const auto unit = [bytes, little](std::size_t i) -> char32_t {
        return little ? bytes[i] | bytes[i + 1] << 8 : bytes[i] << 8 | bytes[i + 1];
    };
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0xFFFD;
        if (i + 2 > text.size()) {
            ok = false;
            i = text.size();
        } else {
            c = unit(i);
            i += 2;
            if (c >= 0xD800 && c <= 0xDBFF && i + 2 <= text.size() && unit(i) >= 0xDC00 &&
                unit(i) <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (unit(i) - 0xDC00);
                i += 2;
            } else if (c >= 0xD800 && c <= 0xDFFF) {
                c = 0xFFFD;
                ok = false;
            }
        }
        if (c < 0x80) {
            *to++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *to++ = static_cast<char>(0xC0 | c >> 6);
            *to++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *to++ = static_cast<char>(0xE0 | c >> 12);
            *to++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
            *to++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *to++ = static_cast<char>(0xF0 | c >> 18);
            *to++ = static_cast<char>(0x80 | (c >> 12 & 0x3F));
            *to++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
            *to++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
    return ok;
}

// The system's converter, or the one here for UTF-16.
bool AnyToWide(std::string_view text, Encoding from, std::wstring& out) {
    return IsUtf16(from) ? Utf16ToWide(text, from, out) : detail::SystemToWide(text, from, out);
}

bool AnyFromWide(std::wstring_view text, Encoding to, std::string& out) {
    return IsUtf16(to) ? WideToUtf16(text, to, out) : detail::SystemFromWide(text, to, out);
}

bool AnyConvert(std::string_view text, Encoding from, Encoding to, std::string& out) {
    if (IsUtf16(from) && to == Encoding::utf8)
        return Utf16ToUtf8(text, from, out);
    if (!IsUtf16(from) && !IsUtf16(to))
        return detail::SystemConvert(text, from, to, out);
    std::wstring wide;
    const bool read = AnyToWide(text, from, wide);
    const bool written = AnyFromWide(wide, to, out);
    return read && written;
}

bool Same(Encoding a, Encoding b) {
    return IsUtf16(a) || IsUtf16(b) ? a == b : detail::SameEncoding(a, b);
}

// Code units of the character at i; 0 where the units there begin none.
std::size_t CharLength(std::string_view text, std::size_t i, Encoding encoding) {
    switch (encoding) {
    case Encoding::utf8:
        return Utf8CharLength(text, i);
    case Encoding::cp936:
        return Cp936CharLength(text, i);
    case Encoding::utf16le:
    case Encoding::utf16be:
        return Utf16CharLength(text, i, encoding);
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
    return AnyToWide(text, from, out) && AnyFromWide(out, from, back) && back == text;
}

bool ExactFromWide(std::wstring_view text, Encoding to, std::string& out) {
    std::wstring back;
    return AnyFromWide(text, to, out) && AnyToWide(out, to, back) && back == text;
}

bool ExactConvert(std::string_view text, Encoding from, Encoding to, std::string& out) {
    if (IsUtf16(from) && to == Encoding::utf8)
        return Utf16ToUtf8(text, from, out); // one to one where it succeeds
    std::string back;
    return AnyConvert(text, from, to, out) && AnyConvert(out, to, from, back) && back == text;
}

// The character that text holds, 0 when it holds none.
char32_t CharacterOf(std::string_view text, Encoding encoding) {
    std::wstring wide;
    return AnyToWide(text, encoding, wide) ? CodePoint(wide) : 0;
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
    if (Same(from, to)) {
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
