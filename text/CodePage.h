#pragma once
// The rules of the byte encodings the program meets: which bytes begin a double-byte character
// (code page 936, or the system's ANSI code page), where characters start, and how long a
// code page 936 or UTF-8 character is.
#include <array>
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace vorna {

// Which bytes begin a double-byte character in a code page. A match may only begin on a
// character boundary, so "A" does not match the trail byte of a Chinese character.
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

    // Where the run of lead-valued bytes that ends at end begins, looking no further back
    // than begin: the position after the last other byte of [begin, end), or begin.
    std::size_t RunStart(const unsigned char* text, std::size_t begin, std::size_t end) const;

private:
    // Whether the lead bytes are one range, low to high (code page 936's are), so that a run
    // is measured 16 bytes at a time.
    void FindRange();

    std::array<bool, 256> m_lead;
    bool m_oneRange = false;
    unsigned char m_low = 0, m_high = 0;
};

// The lead bytes of the system's own byte encoding: the active ANSI code page on Windows
// (936 on the systems the program is made for); elsewhere the locale's encoding when it is a
// double-byte one, else none.
LeadBytes ActiveCodePageLeadBytes();

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
        const std::size_t q = m_lead->RunStart(m_text, m_known, pos);
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

// The same over texts that lie one after another in all: whether pos begins a character of
// the text that begins at begin. The walk of a text is kept while the positions asked stay in
// it, so the cost stays that of CharacterStarts per text.
class CharacterStartsByText {
public:
    CharacterStartsByText(std::string_view all, const LeadBytes& lead)
        : m_all(all), m_lead(&lead), m_anyLead(lead.Any()), m_starts(all, lead) {}

    bool IsStart(std::size_t begin, std::size_t pos) {
        if (!m_anyLead)
            return true;
        if (begin != m_begin) {
            m_begin = begin;
            m_starts = CharacterStarts(m_all.substr(begin), *m_lead);
        }
        return m_starts.IsStart(pos - begin);
    }

private:
    std::string_view m_all;
    const LeadBytes* m_lead;
    bool m_anyLead;
    std::size_t m_begin = static_cast<std::size_t>(-1); // no text walked yet
    CharacterStarts m_starts;
};

// Where a text may be cut without splitting a character: the largest length of at most limit
// bytes at which a character of text ends (text read from its start), so that a prefix of
// that length converts as the whole text would up to there. In a double-byte code page with
// these lead bytes; a lead byte at the very end counts as a character of its own.
std::size_t CharacterCut(std::string_view text, std::size_t limit, const LeadBytes& lead);
// The same in UTF-8: never inside a valid sequence; a byte of no valid sequence is a
// character of its own.
std::size_t CharacterCutUtf8(std::string_view text, std::size_t limit);

// Length of the code page 936 character at offset i of text: 1 or 2, or 0 when the byte there
// begins no valid character (0xFF, a lead byte without a trail byte in 40-7E or 80-FE).
std::size_t Cp936CharLength(std::string_view text, std::size_t i);
// Length of the strict UTF-8 sequence at offset i (no overlong forms, no surrogates), 0 when
// the bytes there are not one.
std::size_t Utf8CharLength(std::string_view text, std::size_t i);

} // namespace vorna
