#pragma once
// Finding a keyword in byte text the way a user means it: bytes compared as they are, but a
// match begins only where a character begins.
#include "text/ByteFinder.h"
#include "text/CodePage.h"

#include <cstddef>
#include <string_view>

namespace vorna {

// What a search did, for tests that hold its cost down.
struct SearchWork {
    std::size_t candidates = 0; // places where the keyword's bytes occur, up to the match
    std::size_t steps = 0;      // bytes looked at to decide where characters begin
};

// One keyword, prepared once and then looked for in many texts. keyword and lead must
// outlive the finder.
class KeywordFinder {
public:
    KeywordFinder(std::string_view keyword, const LeadBytes& lead);

    // As FindKeyword.
    std::size_t Find(std::string_view text, SearchWork* work = nullptr) const;

private:
    detail::ByteFinder m_finder;
    bool m_empty;
    const LeadBytes& m_lead;
    bool m_anyLead;
};

// First position where keyword occurs in text starting on a character boundary (the text is
// walked from its start: a lead byte and the byte after it are one character); npos when
// none. An empty keyword is found at 0 of any text, even an empty one. work, when given, is
// added to.
std::size_t FindKeyword(std::string_view text, std::string_view keyword, const LeadBytes& lead,
                        SearchWork* work = nullptr);

// Whether the keyword's bytes occur anywhere in text, with no regard to characters: a quick
// test before a closer look. An empty keyword occurs everywhere.
bool HoldsBytes(std::string_view text, std::string_view keyword);

} // namespace vorna
