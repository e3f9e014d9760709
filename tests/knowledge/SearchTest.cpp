#include "knowledge/Search.h"

#include "tests/knowledge/ReferenceReader.h"
#include "text/FileEncoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorna {
namespace {

std::string S(const char* bytes, std::size_t n) {
    return std::string(bytes, n);
}

struct Store {
    std::vector<std::string> questions;
    std::vector<std::string> answers;
};

std::vector<std::uint32_t> Matches(const Store& s, const std::string& keyword) {
    std::vector<std::uint32_t> out = {99, 98};
    FindMatches(test::StoreOf(s.questions, s.answers), keyword, LeadBytes::Cp936(), out);
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

// UTF-8 texts are matched with UTF-8's rule: a keyword is found wherever its bytes are, as a
// valid one can only begin where a character does. Code page 936's lead bytes would take 文
// after 中 for the trail of a character.
TEST(FindMatches, Utf8TextsOnUtf8Boundaries) {
    const CEntryStore store =
        test::StoreOf({"\r\n中文\r\n", "\r\nx\r\n"}, {"\r\n\xF0\x9F\x98\x80\r\n", "\r\n文\r\n"});
    const LeadBytes utf8 = MatchLeadBytes(Encoding::utf8);
    struct Case {
        std::string keyword;
        std::vector<std::uint32_t> expected;
    } cases[] = {
        {"文", {0, 1}},
        {"中文", {0}},
        {"\xF0\x9F\x98\x80", {0}},
        {"文件", {}},
    };
    for (const Case& c : cases) {
        std::vector<std::uint32_t> out;
        FindMatches(store, c.keyword, utf8, out);
        EXPECT_EQ(out, c.expected) << c.keyword;
    }
    std::vector<std::uint32_t> out;
    FindMatches(store, "文", LeadBytes::Cp936(), out);
    EXPECT_EQ(out, std::vector<std::uint32_t>{1});
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

TEST(Captions, EntryCountAndMatchSummary) {
    EXPECT_EQ(EntryCountCaption(3), "搜索：3条结果");
    EXPECT_EQ(EntryCountCaption(0), "搜索：0条结果");
    EXPECT_EQ(EntryCountCaption(100000), "搜索：100000条结果");

    struct Case {
        const char* keyword;
        std::size_t count;
        const char* caption;
    } cases[] = {
        {"", 5, "【】共用5条搜索结果"},
        {"问题", 1, "【问题】共用1条搜索结果"},
        {" a b ", 2, "【 a b 】共用2条搜索结果"},
        {"zzz", 0, "【zzz】无搜索结果"},
        {"", 0, "【】无搜索结果"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchCaption(c.keyword, c.count), c.caption) << c.keyword << c.count;
}

} // namespace
} // namespace vorna
