#include "knowledge/Search.h"

#include <gtest/gtest.h>

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
