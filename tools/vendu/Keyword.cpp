#include "tools/vendu/Keyword.h"

namespace vendu {

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

KeywordMatcher::KeywordMatcher(std::string_view keyword, bool ignoreCase,
                               const vorna::LeadBytes& lead)
    : m_keyword(keyword), m_fold(keyword.size(), false), m_lead(lead) {
    // Only a byte that begins a character of the keyword is a letter: the bytes of the
    // keyword and of the text stay in step, so the text's byte there begins one too.
    for (std::size_t i = 0; ignoreCase && i < m_keyword.size();) {
        if (IsLetter(m_keyword[i])) {
            m_fold[i] = true;
            m_keyword[i] = Lower(m_keyword[i]);
        }
        i += m_lead.IsLead(static_cast<unsigned char>(m_keyword[i])) ? 2 : 1;
    }
}

bool KeywordMatcher::MatchesAt(std::string_view text, std::size_t at) const {
    if (text.size() - at < m_keyword.size())
        return false;
    for (std::size_t k = 0; k < m_keyword.size(); ++k) {
        const char c = text[at + k];
        if ((m_fold[k] ? Lower(c) : c) != m_keyword[k])
            return false;
    }
    return true;
}

bool KeywordMatcher::Contains(std::string_view text) const {
    for (std::size_t i = 0; i <= text.size();) {
        if (MatchesAt(text, i))
            return true;
        if (i == text.size())
            break;
        i += m_lead.IsLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    }
    return false;
}

std::vector<Mark> KeywordMatcher::FindAll(std::string_view text) const {
    std::vector<Mark> marks;
    if (m_keyword.empty())
        return marks;
    for (std::size_t i = 0; i < text.size();) {
        if ((marks.empty() || i >= marks.back().end) && MatchesAt(text, i))
            marks.push_back({i, i + m_keyword.size()});
        i += m_lead.IsLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    }
    return marks;
}

} // namespace vendu
