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

// Tells which positions of one text begin a character, for positions asked in ascending
// order. Read from the text's start, a lead byte and the byte after it are one character.
// A byte that is not a lead byte always ends a character (it is one by itself, or the trail
// of the lead byte before it), so a position begins a character exactly when the run of
// lead-valued bytes just before it has even length. The walk back over that run stops at the
// furthest position already known to begin a character, so one text costs at most one step
// per byte plus one per question, however many positions are asked.
class CharacterStarts {
public:
    CharacterStarts(std::string_view text, const LeadBytes& lead)
        : m_text(reinterpret_cast<const unsigned char*>(text.data())), m_lead(&lead) {}

    // pos <= the text's size, and not below the previous pos asked.
    bool IsStart(std::size_t pos) {
        if (pos < m_known)
            m_known = 0; // asked out of order: still right, only slower
        std::size_t q = pos;
        while (q > m_known && m_lead->IsLead(m_text[q - 1]))
            --q;
        m_steps += pos - q;
        const bool start = (pos - q) % 2 == 0;
        m_known = start ? pos : pos - 1;
        return start;
    }

    // Bytes looked at so far.
    std::size_t Steps() const { return m_steps; }

private:
    const unsigned char* m_text;
    const LeadBytes* m_lead;
    std::size_t m_known = 0; // begins a character
    std::size_t m_steps = 0;
};

// What a search did, for tests that hold its cost down.
struct SearchWork {
    std::size_t candidates = 0; // places where the keyword's bytes occur, up to the match
    std::size_t steps = 0;      // bytes looked at to decide where characters begin
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

// Every entry index whose question, or failing that whose answer, holds the keyword, in
// ascending order. out is replaced.
void FindMatches(const std::vector<std::string>& questions, const std::vector<std::string>& answers,
                 std::string_view keyword, const LeadBytes& lead, std::vector<std::uint32_t>& out);

// The result-list line of an entry: question + "/" + answer.
std::string MakeLabel(std::string_view question, std::string_view answer);

} // namespace vorna
