#pragma once
// The one way text changes encoding: between UTF-8 (the program's own texts, paths, vendu's
// terminal and exchange files), code page 936 and UTF-16 (entry files besides UTF-8), the
// system's byte encoding and wide text (the W APIs). The system's converter does the work: the code
// page tables of Windows, iconv elsewhere.
#include <cstddef>
#include <string>
#include <string_view>

namespace vorna {

enum class Encoding {
    utf8,
    cp936, // the entry files' code page, whatever the system's own
    // The system's byte encoding: the active ANSI code page on Windows (936 on the systems the
    // program is made for); elsewhere the locale's encoding, the plain C locale taken as UTF-8
    // as terminals are.
    system,
    // UTF-16 as a file holds it, in bytes, little- or big-endian (converted here, not by the
    // system's converter).
    utf16le,
    utf16be,
};

// The first thing that did not convert, in the source's code units (bytes, or wchar_t units:
// UTF-16 on Windows, as an edit control counts).
struct ConversionError {
    std::size_t offset = 0;
    std::size_t length = 0; // the character, or the one unit that begins none
    // The character the target cannot hold; 0 where the source holds no valid character.
    char32_t character = 0;
};

// What a conversion gives: always the whole text, with a replacement (the system's own, or
// "?") where something did not convert, so checks that look only at ASCII may still run on
// it; ok only when it converted exactly, so that converting it back gives the source again.
template <class String> struct Converted {
    String text;
    bool ok = true;
    ConversionError error; // the first failure, when not ok
};

// No best-fit look-alikes anywhere: a character without a code of its own in the target (an
// emoji, a CJK character outside code page 936, a lone surrogate) is a failure, never
// silently another character.
Converted<std::wstring> ToWide(std::string_view text, Encoding from);
Converted<std::string> FromWide(std::wstring_view text, Encoding to);
// Between two byte encodings. Where both are the same encoding the bytes are taken as they
// are, unchecked.
Converted<std::string> Convert(std::string_view text, Encoding from, Encoding to);

} // namespace vorna
