// Keyword matching. Two choices shape it:
// - A match may begin only where a character begins. Text in a double-byte code page is
//   walked from its start: a lead byte and the byte after it form one character, any other
//   byte is a character by itself (a lead byte as the very last byte too). So the ASCII
//   keyword "A" does not match the trail byte 0x41 of a Chinese character, and a Chinese
//   keyword does not match across two neighbouring characters. The trail of a match is not
//   checked: a keyword is taken as the user typed it. The walk itself is not done: each
//   candidate is settled from the lead bytes just before it (CharacterStarts).
// - The empty keyword is found at position 0 of every text, the empty one included, so it
//   matches every entry and an empty search lists exactly the entry count.
#include "knowledge/Search.h"

#include "knowledge/ByteFinder.h"

namespace vorna {

LeadBytes LeadBytes::Cp936() {
    return FromRanges({{0x81, 0xFE}});
}

LeadBytes LeadBytes::FromRanges(const std::vector<std::pair<unsigned char, unsigned char>>& r) {
    LeadBytes lead;
    for (const auto& range : r) {
        for (unsigned b = range.first; b <= range.second; ++b)
            lead.m_lead[b] = true;
    }
    return lead;
}

bool LeadBytes::Any() const {
    for (bool b : m_lead) {
        if (b)
            return true;
    }
    return false;
}

namespace {

// One keyword, prepared once and then looked for in many texts.
class KeywordSearch {
public:
    KeywordSearch(std::string_view keyword, const LeadBytes& lead)
        : m_finder(keyword.empty() ? std::string_view(" ") : keyword), m_empty(keyword.empty()),
          m_lead(lead), m_anyLead(lead.Any()) {}

    bool Contains(const std::string& text) const { return Find(text) != detail::kNotFound; }

    std::size_t Find(std::string_view text, SearchWork* work = nullptr) const {
        if (m_empty)
            return 0;
        if (!m_anyLead)
            return m_finder.Find(text.data(), text.size(), 0);
        CharacterStarts starts(text, m_lead);
        std::size_t candidates = 0;
        const std::size_t pos =
            m_finder.Find(text.data(), text.size(), 0, [&](std::size_t candidate) {
                ++candidates;
                return starts.IsStart(candidate);
            });
        if (work) {
            work->candidates += candidates;
            work->steps += starts.Steps();
        }
        return pos;
    }

private:
    detail::ByteFinder m_finder;
    bool m_empty;
    const LeadBytes& m_lead;
    bool m_anyLead;
};

} // namespace

std::size_t FindKeyword(std::string_view text, std::string_view keyword, const LeadBytes& lead,
                        SearchWork* work) {
    std::size_t pos = KeywordSearch(keyword, lead).Find(text, work);
    return pos == detail::kNotFound ? std::string_view::npos : pos;
}

bool HoldsBytes(std::string_view text, std::string_view keyword) {
    return keyword.empty() ||
           detail::ByteFinder(keyword).Find(text.data(), text.size(), 0) != detail::kNotFound;
}

void FindMatches(const std::vector<std::string>& questions, const std::vector<std::string>& answers,
                 std::string_view keyword, const LeadBytes& lead, std::vector<std::uint32_t>& out) {
    out.clear();
    const KeywordSearch search(keyword, lead);
    const std::size_t count = questions.size();
    for (std::size_t i = 0; i < count; ++i) {
        // The answer is looked at only when the question does not hold the keyword.
        if (search.Contains(questions[i]) || (i < answers.size() && search.Contains(answers[i])))
            out.push_back(static_cast<std::uint32_t>(i));
    }
}

std::string MakeLabel(std::string_view question, std::string_view answer) {
    std::string label;
    label.reserve(question.size() + 1 + answer.size());
    label.append(question).append(1, '/').append(answer);
    return label;
}

} // namespace vorna
