#include "text/CodePage.h"
#include "text/Find.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <clocale>
#endif

namespace vorna {
namespace {

TEST(LeadBytes, RangesMarkExactlyTheirBytes) {
    const LeadBytes cp936 = LeadBytes::Cp936();
    EXPECT_TRUE(cp936.Any());
    EXPECT_FALSE(LeadBytes().Any());
    for (unsigned b = 0; b < 256; ++b)
        EXPECT_EQ(cp936.IsLead(static_cast<unsigned char>(b)), b >= 0x81 && b <= 0xFE) << b;
    LeadBytes two = LeadBytes::FromRanges({{0x81, 0x9F}, {0xE0, 0xFC}});
    EXPECT_TRUE(two.IsLead(0x9F));
    EXPECT_FALSE(two.IsLead(0xA0));
    EXPECT_TRUE(two.IsLead(0xE0));
    EXPECT_FALSE(two.IsLead(0xFD));
}

// Where characters begin, read from the start of the text; the end counts when the last
// character ends there (not when the text ends in a lone lead byte).
std::vector<bool> ForwardStarts(const std::string& text, const LeadBytes& lead) {
    std::vector<bool> starts(text.size() + 1, false);
    std::size_t i = 0;
    for (; i < text.size(); i += lead.IsLead(text[i]) ? 2 : 1)
        starts[i] = true;
    starts[text.size()] = i == text.size();
    return starts;
}

// The run of lead-valued bytes before a position decides: even length, a character begins.
TEST(CharacterStarts, TheParityOfTheLeadRunBeforeAPositionDecides) {
    struct Case {
        const char* what;
        std::string text;
        std::size_t pos;
        bool start;
    };
    const std::vector<Case> cases = {
        {"text start", "\xB0\xB0", 0, true},
        {"after one lead byte", "\xB0\x41", 1, false},
        {"after a whole character", "\xB0\x41x", 2, true},
        {"after two lead bytes", "\xB0\xB0x", 2, true},
        {"after three lead bytes", "\xB0\xB0\xB0x", 3, false},
        {"run after an ASCII byte, even", "a\xB0\xB0x", 3, true},
        {"run after an ASCII byte, odd", "a\xB0\xB0\xB0x", 4, false},
        {"run after a trail byte 0x40", "\x81\x40\xB0\xB0", 4, true},
        {"0x80 and 0xFF are not lead bytes", "\xFF\x80\xB0", 2, true},
        {"a trail byte 0x80 ends its character", "\xB0\x80\xB0x", 3, false},
        {"lead byte as the very last byte", "ab\xB0", 2, true},
        {"after a lead byte that ends the text", "ab\xB0", 3, false},
        {"end of an even run", "\xB0\xB0", 2, true},
    };
    const LeadBytes cp936 = LeadBytes::Cp936();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CharacterStarts starts(c.text, cp936);
        EXPECT_EQ(starts.IsStart(c.pos), c.start);
        ASSERT_EQ(ForwardStarts(c.text, cp936)[c.pos], c.start) << "case itself is wrong";
    }
}

// Every position of random texts, asked in ascending order, one by one, with gaps and twice,
// against the walk from the start; for one and for two lead-byte ranges.
TEST(CharacterStarts, AgreesWithTheWalkFromTheStart) {
    const std::vector<LeadBytes> leads = {LeadBytes::Cp936(),
                                          LeadBytes::FromRanges({{0x81, 0x9F}, {0xE0, 0xFC}})};
    const unsigned char bytes[] = {'a',  0x40, 0x41, 0x7F, 0x80, 0x81, 0x9F, 0xA0,
                                   0xB0, 0xE0, 0xFC, 0xFD, 0xFE, 0xFF, 0x00};
    std::mt19937 rng(936);
    for (int round = 0; round < 3000; ++round) {
        std::string text(rng() % 40, '\0');
        const bool highOnly = round % 3 == 0;
        for (char& c : text)
            c = static_cast<char>(highOnly ? 0x81 + rng() % 0x7E : bytes[rng() % sizeof bytes]);
        for (const LeadBytes& lead : leads) {
            const std::vector<bool> expected = ForwardStarts(text, lead);
            CharacterStarts every(text, lead), sparse(text, lead);
            for (std::size_t pos = 0; pos <= text.size(); ++pos) {
                ASSERT_EQ(every.IsStart(pos), expected[pos]) << "at " << pos;
                if (rng() % 3 == 0) {
                    ASSERT_EQ(sparse.IsStart(pos), expected[pos]) << "sparse, at " << pos;
                    ASSERT_EQ(sparse.IsStart(pos), expected[pos]) << "again, at " << pos;
                }
            }
            // Out of order it starts over: slower, still right.
            CharacterStarts back(text, lead);
            for (std::size_t pos = text.size() + 1; pos-- > 0;)
                ASSERT_EQ(back.IsStart(pos), expected[pos]) << "backwards, at " << pos;
        }
    }
}

TEST(CharacterLengths, FollowCodePage936AndUtf8) {
    const struct {
        std::string text;
        std::size_t cp936;
        std::size_t utf8;
    } cases[] = {
        {"a", 1, 1},
        {"\x80", 1, 0},
        {"\xd6\xd0", 2, 0},
        {"\xb0\x41", 2, 0},
        {"\xd6", 0, 0},
        {"\xd6\x0a", 0, 0},
        {"\xff\x41", 0, 0},
        {"\xe9\x97\xae", 2, 3},
        {"\xc3\xa9", 2, 2},
        {"\xe0\x80\x80", 2, 0},
        {"\xed\xa0\x80", 2, 0},
        {"\xf0\x9f\x98\x80", 2, 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Cp936CharLength(c.text, 0), c.cp936) << c.text;
        EXPECT_EQ(Utf8CharLength(c.text, 0), c.utf8) << c.text;
    }
}

// A cut keeps whole characters only: the longest prefix of at most limit bytes that ends
// where a character ends.
TEST(CharacterCut, NeverSplitsACharacter) {
    const struct {
        const char* what;
        std::string text;
        std::size_t limit;
        std::size_t cp936;
        std::size_t utf8;
    } cases[] = {
        {"limit past the end", "ab", 9, 2, 2},
        {"between ASCII bytes", "abc", 2, 2, 2},
        {"after a whole character", "\xd6\xd0\xce\xc4", 2, 2, 2},
        {"inside a character", "\xd6\xd0\xce\xc4", 3, 2, 3},
        {"trail byte valued like a lead byte", "a\xb0\xb0\xb0\xb0", 4, 3, 4},
        {"trail byte valued like ASCII", "\xb0\x41\x41", 1, 0, 1},
        {"inside a three-byte sequence", "a\xe9\x97\xae", 3, 3, 1},
        {"after a three-byte sequence",
         "\xe9\x97\xae"
         "b",
         3, 2, 3},
        {"inside a four-byte sequence", "\xf0\x9f\x98\x80", 3, 2, 0},
        {"stray continuation bytes", "a\x80\x80\x80\x80", 3, 3, 3},
        {"a sequence cut short by the text", "a\xe9\x97", 2, 1, 2},
    };
    const LeadBytes cp936 = LeadBytes::Cp936();
    for (const auto& c : cases) {
        EXPECT_EQ(CharacterCut(c.text, c.limit, cp936), c.cp936) << c.what;
        EXPECT_EQ(CharacterCutUtf8(c.text, c.limit), c.utf8) << c.what;
    }
    // Without lead bytes every byte is a character.
    EXPECT_EQ(CharacterCut("\xd6\xd0\xce", 1, LeadBytes()), 1u);
}

#ifdef _WIN32
// The Windows tests must run in code page 936, and the lead bytes the program takes from the
// system there must be the ones this matching assumes.
TEST(WindowsCodePage, IsCodePage936WithItsLeadBytes) {
    ASSERT_EQ(GetACP(), 936u) << "the Windows tests must run with code page 936 (zh_CN locale)";
    CPINFO info;
    ASSERT_TRUE(GetCPInfo(CP_ACP, &info));
    std::vector<std::pair<unsigned char, unsigned char>> ranges;
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i]; i += 2)
        ranges.emplace_back(info.LeadByte[i], info.LeadByte[i + 1]);
    const LeadBytes fromSystem = LeadBytes::FromRanges(ranges);
    const LeadBytes cp936 = LeadBytes::Cp936();
    for (unsigned b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        EXPECT_EQ(fromSystem.IsLead(byte), cp936.IsLead(byte)) << b;
        EXPECT_EQ(IsDBCSLeadByte(byte) != 0, cp936.IsLead(byte)) << b;
    }
}

TEST(ActiveCodePageLeadBytes, FollowsTheSystemCodePage) {
    LeadBytes lead = ActiveCodePageLeadBytes();
    if (::GetACP() != 936) {
        EXPECT_EQ(lead.Any(), false);
        GTEST_SKIP() << "code page " << ::GetACP();
    }
    EXPECT_TRUE(lead.IsLead(0x81));
    EXPECT_TRUE(lead.IsLead(0xCB));
    EXPECT_TRUE(lead.IsLead(0xFE));
    EXPECT_FALSE(lead.IsLead(0x80));
    EXPECT_FALSE(lead.IsLead(0xFF));
    EXPECT_FALSE(lead.IsLead('A'));
    // With them a single-byte keyword does not match the trail byte of a character:
    // 0xCB 0x41 is one character.
    EXPECT_EQ(FindKeyword("\xCB\x41", "A", lead), std::string_view::npos);
    EXPECT_EQ(FindKeyword("\xCB\x41"
                          "A",
                          "A", lead),
              2u);
}

#else
// Elsewhere the system's encoding is the locale's; only a double-byte one has lead bytes.
TEST(ActiveCodePageLeadBytes, NoneInTheCAndUtf8Locales) {
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    for (const char* locale : {"C", "C.UTF-8"}) {
        if (!std::setlocale(LC_CTYPE, locale))
            continue;
        EXPECT_FALSE(ActiveCodePageLeadBytes().Any()) << locale;
    }
    std::setlocale(LC_CTYPE, saved.c_str());
}
#endif

} // namespace
} // namespace vorna
