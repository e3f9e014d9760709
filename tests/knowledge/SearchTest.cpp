#include "knowledge/Search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vorna {
namespace {

constexpr std::size_t npos = std::string_view::npos;

std::string S(const char* bytes, std::size_t n) {
    return std::string(bytes, n);
}

struct FindCase {
    const char* what;
    std::string text;
    std::string keyword;
    std::size_t in936;   // expected with code page 936's lead bytes
    std::size_t inBytes; // expected when every byte is a character
};

// GBK: 癆 = B0 41 (its trail byte is the letter A), 中文 = D6 D0 CE C4, 问题 = CE CA CC E2.
TEST(FindKeyword, MatchesBytesAndStartsOnlyWhereACharacterStarts) {
    const std::vector<FindCase> cases = {
        {"plain", "hello world", "world", 6, 6},
        {"case matters", "Hello", "hello", npos, npos},
        {"absent", "hello", "xyz", npos, npos},
        {"longer than text", "ab", "abc", npos, npos},
        {"whole text", "abc", "abc", 0, 0},
        {"first of several", "abab", "ab", 0, 0},
        {"empty keyword", "abc", "", 0, 0},
        {"empty keyword, empty text", "", "", 0, 0},
        {"empty text", "", "a", npos, npos},
        {"A inside a character", "\xB0\x41", "A", npos, 1},
        {"A after a character",
         "\xB0\x41"
         "A",
         "A", 2, 1},
        {"keyword across two characters", "\xD6\xD0\xCE\xC4", "\xD0\xCE", npos, 1},
        {"second character", "\xD6\xD0\xCE\xC4", "\xCE\xC4", 2, 2},
        {"odd run of lead bytes",
         "\x81\x81\x81"
         "A",
         "A", npos, 3},
        {"even run of lead bytes",
         "\x81\x81"
         "A",
         "A", 2, 2},
        {"lead byte as last byte", "ab\xB0", "\xB0", 2, 2},
        {"skips a trail-byte candidate",
         "\xB0\x41xx"
         "A",
         "A", 4, 1},
        {"chinese keyword in mixed text", "Ctrl+C \xB8\xB4\xD6\xC6", "\xB8\xB4\xD6\xC6", 7, 7},
        {"nul bytes", S("a\0b\0c", 5), S("\0c", 2), 3, 3},
        {"space kept", "a b", " b", 1, 1},
    };
    const LeadBytes cp936 = LeadBytes::Cp936();
    const LeadBytes none;
    for (const FindCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FindKeyword(c.text, c.keyword, cp936), c.in936);
        EXPECT_EQ(FindKeyword(c.text, c.keyword, none), c.inBytes);
    }
}

std::size_t NaiveFind(const std::string& text, const std::string& keyword, const LeadBytes& lead) {
    std::vector<bool> starts(text.size() + 1, false);
    for (std::size_t i = 0; i < text.size(); i += lead.IsLead(text[i]) ? 2 : 1)
        starts[i] = true;
    starts[0] = true;
    for (std::size_t p = 0; p + keyword.size() <= text.size(); ++p) {
        if (starts[p] && text.compare(p, keyword.size(), keyword) == 0)
            return p;
    }
    return keyword.empty() ? 0 : npos;
}

// The block search treats every text length and match position alike, including the
// positions near block ends and the last partial block.
TEST(FindKeyword, AgreesWithAPlainSearchAtEveryLengthAndPosition) {
    const LeadBytes cp936 = LeadBytes::Cp936();
    for (std::size_t klen = 1; klen <= 20; ++klen) {
        std::string keyword;
        for (std::size_t k = 0; k < klen; ++k)
            keyword += static_cast<char>('a' + k % 3);
        for (std::size_t len = 0; len <= 70; ++len) {
            // Near misses everywhere: the keyword's first and last byte, wrong middle.
            std::string base(len, 'a');
            for (std::size_t i = 0; i < len; i += 7)
                base[i] = '\xB0';
            for (std::size_t pos = 0; pos + klen <= len; ++pos) {
                std::string text = base;
                text.replace(pos, klen, keyword);
                for (const LeadBytes& lead : {cp936, LeadBytes()}) {
                    ASSERT_EQ(FindKeyword(text, keyword, lead), NaiveFind(text, keyword, lead))
                        << "keyword length " << klen << ", text length " << len << ", at " << pos;
                }
            }
            ASSERT_EQ(FindKeyword(base, keyword, cp936), NaiveFind(base, keyword, cp936));
        }
    }
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

// A long run of lead bytes where the keyword's bytes occur at every other position, each on a
// trail byte: no match, and the work to settle all the candidates stays linear in the text.
TEST(FindKeyword, ManyCandidatesInALongLeadRunCostLinearWork) {
    const std::size_t pairs = 20000;
    std::string text = "\xB0";
    for (std::size_t i = 0; i < pairs; ++i)
        text += "\xB1\xB0";
    const LeadBytes cp936 = LeadBytes::Cp936();
    SearchWork work;
    EXPECT_EQ(FindKeyword(text, "\xB1\xB0", cp936, &work), npos);
    EXPECT_EQ(work.candidates, pairs);
    EXPECT_LE(work.steps, text.size() + work.candidates);

    // The same run ending in a match: found, with the same bound.
    text += "A\xB1\xB0";
    SearchWork found;
    EXPECT_EQ(FindKeyword(text, "\xB1\xB0", cp936, &found), text.size() - 2);
    EXPECT_EQ(found.candidates, pairs + 1);
    EXPECT_LE(found.steps, text.size() + found.candidates);

    // In ASCII text the byte before a candidate settles it at once.
    std::string ascii;
    for (std::size_t i = 0; i < 1000; ++i)
        ascii += "x\xB0\x41";
    SearchWork fromAscii;
    EXPECT_EQ(FindKeyword(ascii, "\xB0\x41", cp936, &fromAscii), 1u);
    EXPECT_EQ(FindKeyword(ascii, "\x41x", cp936, &fromAscii), npos);
    EXPECT_EQ(fromAscii.candidates, 1u + 999u);
    EXPECT_EQ(fromAscii.steps, 999u);
}

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

struct Store {
    std::vector<std::string> questions;
    std::vector<std::string> answers;
};

std::vector<std::uint32_t> Matches(const Store& s, const std::string& keyword) {
    std::vector<std::uint32_t> out = {99, 98};
    FindMatches(s.questions, s.answers, keyword, LeadBytes::Cp936(), out);
    return out;
}

TEST(FindMatches, ListsEachMatchingEntryOnceInStoreOrder) {
    const Store store = {
        {"\r\nalpha\r\n", "\r\nboth\r\n", "\r\nplain\r\n", "\r\nplain\r\n", "", "\r\n\xB0\x41\r\n",
         "\r\nend"},
        {"\r\none\r\n", "\r\nboth\r\n", "\r\nanswer only\r\n", "\r\nanswer only\r\n", "",
         "\r\nx\r\n", "\r\n/start"},
    };
    struct Case {
        const char* keyword;
        std::vector<std::uint32_t> expected;
    };
    const std::vector<Case> cases = {
        {"alpha", {0}},              // question only
        {"answer only", {2, 3}},     // answer only, and two equal entries are two matches
        {"both", {1}},               // question and answer: listed once
        {"ALPHA", {}},               // case matters
        {"nothing", {}},             // no match
        {"", {0, 1, 2, 3, 4, 5, 6}}, // every entry, the one with two empty texts too
        {"A", {}},                   // only a trail byte holds 0x41
        {"\xB0\x41", {5}},           // the whole character does match
        {"end/", {}},                // no match across the question's end and the answer's start
        {"/start", {6}},
        {"\r\n", {0, 1, 2, 3, 5, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("keyword [") + c.keyword + "]");
        EXPECT_EQ(Matches(store, c.keyword), c.expected);
    }
}

TEST(FindMatches, AnEmptyStoreGivesNoMatches) {
    EXPECT_TRUE(Matches(Store{}, "").empty());
    EXPECT_TRUE(Matches(Store{}, "x").empty());
}

TEST(MakeLabel, JoinsQuestionSlashAnswerUnchanged) {
    EXPECT_EQ(MakeLabel("\r\nQ1\r\n", "\r\nA1\r\n"), "\r\nQ1\r\n/\r\nA1\r\n");
    EXPECT_EQ(MakeLabel("", ""), "/");
    EXPECT_EQ(MakeLabel(S("a\0", 2), "\xB0"), S("a\0/\xB0", 4));
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
#endif

} // namespace
} // namespace vorna
