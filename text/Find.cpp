// Keyword finding. Two choices shape it:
// - A match may begin only where a character begins. Text in a double-byte code page is
//   walked from its start: a lead byte and the byte after it form one character, any other
//   byte is a character by itself (a lead byte as the very last byte too). So the ASCII
//   keyword "A" does not match the trail byte 0x41 of a Chinese character, and a Chinese
//   keyword does not match across two neighbouring characters. The trail of a match is not
//   checked: a keyword is taken as the user typed it. The walk itself is not done: each
//   candidate is settled from the lead bytes just before it (CharacterStarts).
// - The empty keyword is found at position 0 of every text, the empty one included, so it
//   matches every entry and an empty search lists exactly the entry count.
#include "text/Find.h"

namespace vorna {

KeywordFinder::KeywordFinder(std::string_view keyword, const LeadBytes& lead)
    : m_finder(keyword.empty() ? std::string_view(" ") : keyword), m_empty(keyword.empty()),
      m_lead(lead), m_anyLead(lead.Any()) {}

std::size_t KeywordFinder::Find(std::string_view text, SearchWork* work) const {
    if (m_empty)
        return 0;
    std::size_t pos;
    if (!m_anyLead) {
        pos = m_finder.Find(text.data(), text.size(), 0);
    } else {
        CharacterStarts starts(text, m_lead);
        std::size_t candidates = 0;
        pos = m_finder.Find(text.data(), text.size(), 0, [&](std::size_t candidate) {
            ++candidates;
            return starts.IsStart(candidate);
        });
        if (work) {
            work->candidates += candidates;
            work->steps += starts.Steps();
        }
    }
    return pos == detail::kNotFound ? std::string_view::npos : pos;
}

std::size_t FindKeyword(std::string_view text, std::string_view keyword, const LeadBytes& lead,
                        SearchWork* work) {
    return KeywordFinder(keyword, lead).Find(text, work);
}

bool HoldsBytes(std::string_view text, std::string_view keyword) {
    return keyword.empty() ||
           detail::ByteFinder(keyword).Find(text.data(), text.size(), 0) != detail::kNotFound;
}

} // namespace vorna
