#pragma once
// Where a keyword stands in an entry text by the program's rule: bytes compared, a match
// starting on a character boundary (the text walked from its start, a code page 936 lead
// byte and the byte after it being one character). With ignoreCase, ASCII letters of the
// keyword match in either case; a letter that is the second byte of a character never does.
#include "tools/vendu/ShowText.h"

#include "text/CodePage.h"

#include <string>
#include <string_view>
#include <vector>

namespace vendu {

class KeywordMatcher {
public:
    // lead: the lead bytes of the texts' encoding (none for UTF-8).
    KeywordMatcher(std::string_view keyword, bool ignoreCase,
                   const vorna::LeadBytes& lead = vorna::LeadBytes::Cp936());

    bool Contains(std::string_view text) const;
    // Every match, from the text's start, none overlapping the one before.
    std::vector<Mark> FindAll(std::string_view text) const;

private:
    bool MatchesAt(std::string_view text, std::size_t at) const;

    std::string m_keyword;    // letters that fold already lowered
    std::vector<bool> m_fold; // which of its bytes are letters compared without case
    vorna::LeadBytes m_lead;
};

} // namespace vendu
