#include "tools/vendu/Keyword.h"

#include "text/FileEncoding.h"

namespace vendu {

namespace {

unsigned char Byte(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

// The length of the letter that begins at i when it folds (an ASCII letter, or a full-width
// Latin letter: U+FF21..FF3A, U+FF41..FF5A; code page 936 A3C1..A3DA, A3E1..A3FA), else 0.
std::size_t LetterAt(std::string_view s, std::size_t i, bool utf8) {
    const unsigned char c = Byte(s, i);
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z')
        return 1;
    if (utf8 && c == 0xEF && i + 2 < s.size()) {
        const unsigned char b = Byte(s, i + 1), d = Byte(s, i + 2);
        if ((b == 0xBC && d >= 0xA1 && d <= 0xBA) || (b == 0xBD && d >= 0x81 && d <= 0x9A))
            return 3;
    } else if (!utf8 && c == 0xA3 && i + 1 < s.size()) {
        const unsigned char b = Byte(s, i + 1);
        if ((b >= 0xC1 && b <= 0xDA) || (b >= 0xE1 && b <= 0xFA))
            return 2;
    }
    return 0;
}

bool IsUpper(std::string_view s, std::size_t i, std::size_t length) {
    if (length == 1)
        return Byte(s, i) >= 'A' && Byte(s, i) <= 'Z';
    if (length == 2)
        return Byte(s, i + 1) <= 0xDA;
    return Byte(s, i + 1) == 0xBC;
}

// The lower-case ASCII letter of a letter of LetterAt.
char Folded(std::string_view s, std::size_t i, std::size_t length) {
    const unsigned char last = Byte(s, i + length - 1);
    if (length == 1)
        return static_cast<char>(last | 0x20);
    if (length == 2)
        return static_cast<char>('a' + (last - (last >= 0xE1 ? 0xE1 : 0xC1)));
    return static_cast<char>('a' + (last - (Byte(s, i + 1) == 0xBD ? 0x81 : 0xA1)));
}

enum class Kind { word, cjk, other };

// What a character is to whole-word matching. Words: ASCII letters, digits and '_', and the
// full-width letters and digits. CJK: Han characters, kana and hangul (code page 936: GBK's
// Han areas and its kana).
Kind KindAt(std::string_view s, std::size_t i, bool utf8, const vorna::LeadBytes& lead) {
    const unsigned char c = Byte(s, i);
    if ((c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '_')
        return Kind::word;
    if (utf8) {
        unsigned code = 0;
        if (c >= 0xE0 && c < 0xF0 && i + 2 < s.size())
            code = (c & 0x0Fu) << 12 | (Byte(s, i + 1) & 0x3Fu) << 6 | (Byte(s, i + 2) & 0x3Fu);
        else if (c >= 0xF0 && c < 0xF8 && i + 3 < s.size())
            code = (c & 0x07u) << 18 | (Byte(s, i + 1) & 0x3Fu) << 12 |
                   (Byte(s, i + 2) & 0x3Fu) << 6 | (Byte(s, i + 3) & 0x3Fu);
        if ((code >= 0xFF10 && code <= 0xFF19) || (code >= 0xFF21 && code <= 0xFF3A) ||
            (code >= 0xFF41 && code <= 0xFF5A))
            return Kind::word;
        const bool cjk = (code >= 0x3040 && code <= 0x30FF) || (code >= 0x3400 && code <= 0x4DBF) ||
                         (code >= 0x4E00 && code <= 0x9FFF) || (code >= 0xAC00 && code <= 0xD7AF) ||
                         (code >= 0xF900 && code <= 0xFAFF) || (code >= 0x20000 && code <= 0x3FFFF);
        return cjk ? Kind::cjk : Kind::other;
    }
    if (!lead.IsLead(c) || i + 1 >= s.size())
        return Kind::other;
    const unsigned char t = Byte(s, i + 1);
    if (c == 0xA3 && ((t >= 0xB0 && t <= 0xB9) || LetterAt(s, i, false)))
        return Kind::word;
    const bool cjk = (c <= 0xA0) || (c >= 0xAA && t <= 0xA0) || (c >= 0xB0 && c <= 0xF7) ||
                     ((c == 0xA4 || c == 0xA5) && t >= 0xA1);
    return cjk ? Kind::cjk : Kind::other;
}

// Where the character before at begins, in UTF-8: back over continuation bytes.
std::size_t Utf8Previous(std::string_view s, std::size_t at) {
    std::size_t p = at - 1;
    for (int k = 0; k < 3 && p > 0 && (Byte(s, p) & 0xC0) == 0x80; ++k)
        --p;
    return p;
}

// A keyword's end whose character is a word character must meet something that is not one,
// a CJK end something that is not CJK (so CJK and Latin words meet without a space), and
// any other end fits anywhere; the text's ends fit every keyword end.
bool WordEdge(Kind keyword, Kind outside) {
    return keyword == Kind::other || keyword != outside;
}

} // namespace

KeywordMatcher::KeywordMatcher(std::string_view keyword, bool ignoreCase, bool wholeWord,
                               vorna::Encoding encoding)
    : m_keyword(keyword), m_folding(ignoreCase), m_wholeWord(wholeWord),
      m_utf8(encoding == vorna::Encoding::utf8), m_lead(vorna::MatchLeadBytes(encoding)) {
    // Only a character of the keyword is a letter: the keyword is walked by characters, and
    // the text is matched against it a character at a time.
    for (std::size_t i = 0; i < m_keyword.size();) {
        const std::size_t length = ignoreCase ? LetterAt(m_keyword, i, m_utf8) : 0;
        if (length) {
            m_units.push_back({i, length, Folded(m_keyword, i, length)});
            i += length;
            continue;
        }
        const std::size_t step = Step(m_keyword, i);
        if (m_units.empty() || m_units.back().letter)
            m_units.push_back({i, 0, 0});
        m_units.back().length += step;
        i += step;
    }
    const auto first = [this](unsigned char c) { m_first[c] = true; };
    if (m_keyword.empty()) {
        m_first.fill(true);
    } else if (m_units.front().letter) {
        first(static_cast<unsigned char>(m_units.front().letter));
        first(static_cast<unsigned char>(m_units.front().letter - 'a' + 'A'));
        first(m_utf8 ? 0xEF : 0xA3);
    } else {
        first(Byte(m_keyword, 0));
    }
}

bool KeywordMatcher::HasUpperCase(std::string_view text, vorna::Encoding encoding) {
    const bool utf8 = encoding == vorna::Encoding::utf8;
    const vorna::LeadBytes lead = vorna::MatchLeadBytes(encoding);
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = LetterAt(text, i, utf8);
        if (length && IsUpper(text, i, length))
            return true;
        i += length ? length : lead.IsLead(Byte(text, i)) && i + 1 < text.size() ? 2 : 1;
    }
    return false;
}

std::size_t KeywordMatcher::Step(std::string_view text, std::size_t i) const {
    return m_lead.IsLead(Byte(text, i)) && i + 1 < text.size() ? 2 : 1;
}

bool KeywordMatcher::EdgesFit(std::string_view text, std::size_t at, std::size_t end,
                              std::size_t previous) const {
    if (m_keyword.empty())
        return true;
    if (at > 0) {
        const std::size_t before = m_utf8 ? Utf8Previous(text, at) : previous;
        if (!WordEdge(KindAt(m_keyword, 0, m_utf8, m_lead), KindAt(text, before, m_utf8, m_lead)))
            return false;
    }
    if (end == text.size())
        return true;
    std::size_t last = 0;
    for (std::size_t i = 0; i < m_keyword.size(); i += Step(m_keyword, i))
        last = i;
    if (m_utf8)
        last = Utf8Previous(m_keyword, m_keyword.size());
    return WordEdge(KindAt(m_keyword, last, m_utf8, m_lead), KindAt(text, end, m_utf8, m_lead));
}

std::size_t KeywordMatcher::MatchEnd(std::string_view text, std::size_t at,
                                     std::size_t previous) const {
    std::size_t t = at;
    if (!m_folding) {
        if (text.size() - at < m_keyword.size() || text.compare(at, m_keyword.size(), m_keyword))
            return std::string_view::npos;
        t += m_keyword.size();
    }
    for (std::size_t u = 0; m_folding && u < m_units.size(); ++u) {
        const Unit& unit = m_units[u];
        if (!unit.letter) {
            if (text.size() - t < unit.length ||
                text.compare(t, unit.length,
                             std::string_view(m_keyword).substr(unit.begin, unit.length)))
                return std::string_view::npos;
            t += unit.length;
            continue;
        }
        const std::size_t length = t < text.size() ? LetterAt(text, t, m_utf8) : 0;
        if (!length || Folded(text, t, length) != unit.letter)
            return std::string_view::npos;
        t += length;
    }
    return !m_wholeWord || EdgesFit(text, at, t, previous) ? t : std::string_view::npos;
}

bool KeywordMatcher::Contains(std::string_view text) const {
    for (std::size_t i = 0, previous = 0; i <= text.size();) {
        if ((i == text.size() ? m_keyword.empty() : m_first[Byte(text, i)]) &&
            MatchEnd(text, i, previous) != std::string_view::npos)
            return true;
        if (i == text.size())
            break;
        previous = i;
        i += Step(text, i);
    }
    return false;
}

std::vector<Mark> KeywordMatcher::FindAll(std::string_view text) const {
    std::vector<Mark> marks;
    if (m_keyword.empty())
        return marks;
    for (std::size_t i = 0, previous = 0; i < text.size();) {
        if (m_first[Byte(text, i)] && (marks.empty() || i >= marks.back().end)) {
            const std::size_t end = MatchEnd(text, i, previous);
            if (end != std::string_view::npos)
                marks.push_back({i, end});
        }
        previous = i;
        i += Step(text, i);
    }
    return marks;
}

} // namespace vendu
