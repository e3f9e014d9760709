#pragma once
// Keyword matching over the entry store and the result-list labels.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorna {

// Which bytes begin a double-byte character in the active ANSI code page. A match may only
// begin on a character boundary, so "A" does not match the trail byte of a Chinese character.
class LeadBytes {
public:
    // No lead bytes: every byte is a character (single-byte code pages).
    LeadBytes() { m_lead.fill(false); }
    // Code page 936 by its definition: lead bytes 0x81 to 0xFE.
    static LeadBytes Cp936();
    // Inclusive ranges as the platform reports them (pairs of first, last).
    static LeadBytes FromRanges(const std::vector<std::pair<unsigned char, unsigned char>>& r);

    bool IsLead(unsigned char byte) const { return m_lead[byte]; }
    bool Any() const;

private:
    std::array<bool, 256> m_lead;
};

// First position where keyword occurs in text starting on a character boundary (the text is
// walked from its start: a lead byte and the byte after it are one character); npos when
// none. An empty keyword is found at 0 of any text, even an empty one.
std::size_t FindKeyword(std::string_view text, std::string_view keyword, const LeadBytes& lead);

// Every entry index whose question, or failing that whose answer, holds the keyword, in
// ascending order. out is replaced.
void FindMatches(const std::vector<std::string>& questions, const std::vector<std::string>& answers,
                 std::string_view keyword, const LeadBytes& lead, std::vector<std::uint32_t>& out);

// The result-list line of an entry: question + "/" + answer.
std::string MakeLabel(std::string_view question, std::string_view answer);

} // namespace vorna
