#pragma once
// Where a keyword stands in an entry text by the program's rule: bytes compared, a match
// starting on a character boundary (the text walked from its start, a code page 936 lead
// byte and the byte after it being one character). With ignoreCase, a letter of the keyword
// matches the same letter in either case and either width: ASCII, or full-width Latin (Ａ/ａ)
// in the texts' encoding, so "ｃｔｒｌ" finds "Ctrl"; a letter that is the second byte of a
// character never does. With wholeWord, each end of a match must meet a word's end (see
// WordEdge in Keyword.cpp).
#include "tools/vendu/ShowText.h"

#include "text/CodePage.h"
#include "text/Convert.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace vendu {

class KeywordMatcher {
public:
    // encoding: the texts' encoding, code page 936 or UTF-8.
    KeywordMatcher(std::string_view keyword, bool ignoreCase, bool wholeWord = false,
                   vorna::Encoding encoding = vorna::Encoding::cp936);

    bool Contains(std::string_view text) const;
    // Every match, from the text's start, none overlapping the one before.
    std::vector<Mark> FindAll(std::string_view text) const;

    // Whether a text in the encoding has an upper-case letter (ASCII or full-width Latin):
    // what smart case asks of a keyword.
    static bool HasUpperCase(std::string_view text, vorna::Encoding encoding);

private:
    // previous: where the character before at begins (at when there is none). The end of the
    // match at at, or npos.
    std::size_t MatchEnd(std::string_view text, std::size_t at, std::size_t previous) const;
    bool EdgesFit(std::string_view text, std::size_t at, std::size_t end,
                  std::size_t previous) const;
    std::size_t Step(std::string_view text, std::size_t i) const;

    // The keyword as runs of bytes compared as they are and letters compared without case
    // or width (letter: the lower-case ASCII letter, or 0 for a run).
    struct Unit {
        std::size_t begin, length;
        char letter;
    };
    std::string m_keyword;
    std::vector<Unit> m_units;
    // The bytes a match can begin with: most places are passed over on their first byte.
    std::array<bool, 256> m_first{};
    bool m_folding = false;
    bool m_wholeWord;
    bool m_utf8;
    vorna::LeadBytes m_lead;
};

} // namespace vendu
