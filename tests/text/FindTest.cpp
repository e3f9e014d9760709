#include "text/Find.h"

#include "text/ByteFinder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

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

// Each width of the byte finder, whichever the processor would pick, at every position of
// texts that span one to several blocks: the first match, every place where only the two
// ends agree, and a start part way in.
TEST(ByteFinder, EveryWidthFindsWhatAPlainSearchFinds) {
    using detail::ByteFinder;
    using detail::SimdLevel;
    for (SimdLevel level : {SimdLevel::bytes, SimdLevel::sse2, SimdLevel::avx2}) {
        for (const std::string needle :
             {"e", "ab", "a%Qb", "abcdefghijklmnopqrstuvwxyz0123456789"}) {
            const ByteFinder finder(needle, level);
            for (std::size_t len = 0; len <= 200; len += len < 140 ? 1 : 29) {
                // The needle's ends with a wrong middle at every fifth place.
                std::string base(len, '.');
                for (std::size_t i = 0; i + needle.size() <= len; i += 5) {
                    base[i] = needle.front();
                    base[i + needle.size() - 1] = needle.back();
                }
                std::vector<std::size_t> ends;
                for (std::size_t i = 0; i + needle.size() <= len; ++i) {
                    if (base[i] == needle.front() && base[i + needle.size() - 1] == needle.back())
                        ends.push_back(i);
                }
                std::vector<std::size_t> seen;
                finder.FindEnds(base.data(), len, 0, [&](std::size_t p) {
                    seen.push_back(p);
                    return false;
                });
                ASSERT_EQ(seen, ends) << "length " << len;
                for (std::size_t pos = 0; pos + needle.size() <= len; pos += 3) {
                    std::string text = base;
                    text.replace(pos, needle.size(), needle);
                    for (std::size_t from : {std::size_t{0}, pos / 2, pos}) {
                        const std::size_t want = text.find(needle, from);
                        ASSERT_EQ(finder.Find(text.data(), len, from),
                                  want == std::string::npos ? detail::kNotFound : want)
                            << "needle " << needle << ", length " << len << ", at " << pos
                            << ", from " << from << ", level " << static_cast<int>(level);
                    }
                }
            }
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

} // namespace
} // namespace vorna
