#pragma once
// Conversions between the three encodings the program meets: UTF-8 (fixed texts and paths in
// portable code), the ANSI code page (entry texts, keywords) and UTF-16 (the W APIs).
#include "knowledge/Search.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vorna {

std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);
// CP_ACP: the active ANSI code page (936 on the systems the program is made for).
std::wstring WideFromAnsi(std::string_view ansi);
std::string AnsiFromWide(std::wstring_view wide);

// Where a conversion met the first character its target cannot hold: the character, and its
// place and length in the source's code units (UTF-16 here, as an edit control counts).
struct ConversionError {
    char32_t character = 0;
    std::size_t offset = 0;
    std::size_t length = 0;
};

// A conversion that loses nothing or says what it would lose. text is always the whole
// conversion, with the target's default character ("?") for each character it cannot hold,
// so checks that look only at ASCII bytes may still run on it.
struct AnsiConversion {
    std::string text;
    bool ok = true;
    ConversionError error;
};

// To the active ANSI code page without best-fit look-alikes: a character that has no code of
// its own there (an emoji, a CJK character outside the code page, a lone surrogate) is an
// error, never silently another character.
AnsiConversion AnsiFromWideStrict(std::wstring_view wide);
// The lead bytes of the active ANSI code page, for matching on character boundaries.
LeadBytes ActiveCodePageLeadBytes();

} // namespace vorna
