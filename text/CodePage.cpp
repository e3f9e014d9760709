#include "text/CodePage.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    lead.FindRange();
    return lead;
}

void LeadBytes::FindRange() {
    int low = -1, high = -1;
    for (int b = 0; b < 256; ++b) {
        if (m_lead[static_cast<std::size_t>(b)]) {
            if (low < 0)
                low = b;
            high = b;
        }
    }
    m_oneRange = low >= 0;
    for (int b = low; m_oneRange && b <= high; ++b)
        m_oneRange = m_lead[static_cast<std::size_t>(b)];
    if (m_oneRange) {
        m_low = static_cast<unsigned char>(low);
        m_high = static_cast<unsigned char>(high);
    }
}

std::size_t LeadBytes::RunStart(const unsigned char* text, std::size_t begin,
                                std::size_t end) const {
    std::size_t q = end;
#if defined(__SSE2__)
    if (m_oneRange) {
        // A byte is in the range when its distance above the low end, as an unsigned byte,
        // is at most the range's width.
        const __m128i low = _mm_set1_epi8(static_cast<char>(m_low));
        const __m128i width = _mm_set1_epi8(static_cast<char>(m_high - m_low));
        while (q - begin >= 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + q - 16));
            const __m128i above = _mm_sub_epi8(bytes, low);
            const __m128i in = _mm_cmpeq_epi8(_mm_max_epu8(above, width), width);
            const unsigned other = ~static_cast<unsigned>(_mm_movemask_epi8(in)) & 0xFFFFu;
            if (other)
                return q - 16 + (31u - static_cast<unsigned>(__builtin_clz(other))) + 1;
            q -= 16;
        }
    }
#endif
    while (q > begin && m_lead[text[q - 1]])
        --q;
    return q;
}

bool LeadBytes::Any() const {
    for (bool b : m_lead) {
        if (b)
            return true;
    }
    return false;
}

std::size_t CharacterCut(std::string_view text, std::size_t limit, const LeadBytes& lead) {
    if (limit >= text.size())
        return text.size();
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t run = limit - lead.RunStart(bytes, 0, limit);
    return run % 2 == 0 ? limit : limit - 1;
}

std::size_t CharacterCutUtf8(std::string_view text, std::size_t limit) {
    if (limit >= text.size())
        return text.size();
    // A sequence is at most four bytes: its first byte lies at most three before the cut.
    std::size_t begin = limit;
    while (begin > 0 && limit - begin < 3 &&
           (static_cast<unsigned char>(text[begin]) & 0xC0) == 0x80)
        --begin;
    if (begin < limit && begin + Utf8CharLength(text, begin) > limit)
        return begin;
    return limit;
}

std::size_t Cp936CharLength(std::string_view text, std::size_t i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b <= 0x80) // 0x80 is the euro sign, a single byte in code page 936
        return 1;
    if (b == 0xFF || i + 1 >= text.size())
        return 0;
    const auto t = static_cast<unsigned char>(text[i + 1]);
    return (t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFE) ? 2 : 0;
}

std::size_t Utf8CharLength(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t length;
    unsigned low = 0x80, high = 0xBF; // the second byte's range; later bytes take 80..BF
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        low = b == 0xE0 ? 0xA0 : 0x80;
        high = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        low = b == 0xF0 ? 0x90 : 0x80;
        high = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto t = static_cast<unsigned char>(s[i + k]);
        if (t < (k == 1 ? low : 0x80u) || t > (k == 1 ? high : 0xBFu))
            return 0;
    }
    return length;
}

} // namespace vorna
