#include "text/Convert.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vorna {
namespace {

Converted<std::string> Cp936ToUtf8(std::string_view text) {
    return Convert(text, Encoding::cp936, Encoding::utf8);
}

Converted<std::string> Utf8ToCp936(std::string_view text) {
    return Convert(text, Encoding::utf8, Encoding::cp936);
}

TEST(Convert, Cp936AndUtf8ThroughTheSystemTables) {
    const struct {
        std::string cp936;
        std::string utf8;
    } cases[] = {
        {"", ""},
        {"abc\r\n", "abc\r\n"},
        {"\xcb\xd1\xcb\xf7", "\xe6\x90\x9c\xe7\xb4\xa2"}, // 搜索
        {"\xa3\xa8", "\xef\xbc\x88"},                     // full-width (
        {"\x80", "\xe2\x82\xac"},                         // the euro sign
    };
    for (const auto& c : cases) {
        const Converted<std::string> utf8 = Cp936ToUtf8(c.cp936);
        ASSERT_TRUE(utf8.ok) << c.cp936;
        EXPECT_EQ(utf8.text, c.utf8);
        const Converted<std::string> back = Utf8ToCp936(c.utf8);
        ASSERT_TRUE(back.ok);
        EXPECT_EQ(back.text, c.cp936);
    }
}

TEST(Convert, NamesTheFirstCharacterThatDoesNotConvert) {
    const struct {
        std::string text;
        bool fromCp936;
        std::size_t bad;
        char32_t character;
    } cases[] = {
        {"ab\xff", true, 2, 0},
        {"ab\xd6", true, 2, 0},
        {"\xd6\xd0\xd6(", true, 2, 0},
        {"a\xf0\x9f\x98\x80", false, 1, 0x1F600}, // no code page 936 form
        {"ab\xff", false, 2, 0},                  // not UTF-8
        {"a\xe9\x97", false, 1, 0},               // cut short
    };
    for (const auto& c : cases) {
        const Converted<std::string> out = c.fromCp936 ? Cp936ToUtf8(c.text) : Utf8ToCp936(c.text);
        EXPECT_FALSE(out.ok) << c.text;
        EXPECT_EQ(out.error.offset, c.bad) << c.text;
        EXPECT_EQ(out.error.character, c.character) << c.text;
    }
}

// Every double-byte character either converts and comes back as the same bytes, or is
// refused; and the table is the real one, not a handful of characters.
TEST(Convert, EveryDoubleByteCharacterRoundTripsOrIsRefused) {
    std::size_t converted = 0;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            const Converted<std::string> utf8 = Cp936ToUtf8(bytes);
            if (!utf8.ok)
                continue;
            ++converted;
            const Converted<std::string> back = Utf8ToCp936(utf8.text);
            ASSERT_TRUE(back.ok);
            ASSERT_EQ(back.text, bytes);
        }
    }
    EXPECT_GT(converted, 21000u);
}

TEST(ToWide, RoundTripsUtf8AndTheActiveCodePage) {
    const std::string utf8 = "关于 Vorna(&A)...";
    EXPECT_EQ(ToWide(utf8, Encoding::utf8).text, L"关于 Vorna(&A)...");
    EXPECT_EQ(FromWide(ToWide(utf8, Encoding::utf8).text, Encoding::utf8).text, utf8);
    EXPECT_EQ(ToWide("", Encoding::utf8).text, L"");
    // A character outside every ANSI code page survives UTF-8 (paths).
    EXPECT_EQ(FromWide(L"\U0001F600.vendu", Encoding::utf8).text, "\xF0\x9F\x98\x80.vendu");

#ifdef _WIN32
    if (::GetACP() != 936)
        GTEST_SKIP() << "code page " << ::GetACP();
    EXPECT_EQ(ToWide("\xCB\xD1\xCB\xF7", Encoding::system).text, L"搜索");
    EXPECT_EQ(FromWide(L"搜索", Encoding::system).text, "\xCB\xD1\xCB\xF7");
#endif
}

// Strictly into code page 936 (the active one on Windows): what converts is exact, and what
// does not is named with its place in the wide text, while the text itself keeps "?" there.
TEST(FromWide, SaysWhatDidNotConvertAndWhere) {
#ifdef _WIN32
    if (::GetACP() != 936)
        GTEST_SKIP() << "code page " << ::GetACP();
    const Encoding target = Encoding::system;
#else
    const Encoding target = Encoding::cp936;
#endif
    // A character beyond U+FFFF takes two units where wide text is UTF-16.
    const std::size_t astral = sizeof(wchar_t) == 2 ? 2 : 1;
    const wchar_t loneSurrogate[] = {L'a', static_cast<wchar_t>(0xD83D), L'b', 0};
    struct Case {
        const char* name;
        std::wstring text;
        bool ok;
        std::string before; // the bytes before the "?" of what did not convert (all when ok)
        std::string after;
        char32_t character;
        std::size_t offset;
        std::size_t length;
    };
    const Case cases[] = {
        {"empty", L"", true, "", "", 0, 0, 0},
        {"GBK, the euro sign and a typed question mark", L"搜索\u20AC\u9555?", true,
         "\xCB\xD1\xCB\xF7\x80\xE9\x46?", "", 0, 0, 0},
        {"an emoji after a CJK character", L"笑\U0001F600了", false, "\xD0\xA6", "\xC1\xCB",
         0x1F600, 1, astral},
        {"the first of two", L"\U00020BB7\U0001F600", false, "", "", 0x20BB7, 0, astral},
        {"a look-alike is no conversion", L"x\u00C0", false, "x", "", 0xC0, 1, 1},
        {"a lone surrogate", loneSurrogate, false, "a", "b", 0xD83D, 1, 1},
    };
    for (const Case& c : cases) {
        const Converted<std::string> result = FromWide(c.text, target);
        EXPECT_EQ(result.ok, c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(result.text, c.before) << c.name;
            continue;
        }
        const std::string& t = result.text;
        ASSERT_GT(t.size(), c.before.size() + c.after.size()) << c.name;
        EXPECT_EQ(t.substr(0, c.before.size()), c.before) << c.name;
        EXPECT_EQ(t.substr(t.size() - c.after.size()), c.after) << c.name;
        EXPECT_EQ(t.substr(c.before.size(), t.size() - c.before.size() - c.after.size())
                      .find_first_not_of('?'),
                  std::string::npos)
            << c.name;
        EXPECT_EQ(result.error.character, c.character) << c.name;
        EXPECT_EQ(result.error.offset, c.offset) << c.name;
        EXPECT_EQ(result.error.length, c.length) << c.name;
    }
}

// UTF-16 files' bytes, either way round, to and from UTF-8 and code page 936: exact both
// ways, a surrogate pair is one character, and what does not convert is named at its byte.
TEST(Convert, Utf16BytesBothWays) {
    using namespace std::string_literals;
    const struct {
        std::string le, be, utf8;
    } exact[] = {
        {""s, ""s, ""},
        {"(\0%\0Q\0%\0)\0"s, "\0(\0%\0Q\0%\0)"s, "(%Q%)"},
        {"\xE9\0"s, "\0\xE9"s, "\xC3\xA9"}, // é
        {"-N\x87"
         "e"s,
         "N-e\x87"s, "\xE4\xB8\xAD\xE6\x96\x87"},             // 中文
        {"=\xD8\0\xDE"s, "\xD8=\xDE\0"s, "\xF0\x9F\x98\x80"}, // an emoji
    };
    for (const auto& c : exact) {
        for (const auto& [bytes, encoding] :
             {std::pair{c.le, Encoding::utf16le}, std::pair{c.be, Encoding::utf16be}}) {
            const Converted<std::string> utf8 = Convert(bytes, encoding, Encoding::utf8);
            ASSERT_TRUE(utf8.ok) << c.utf8;
            EXPECT_EQ(utf8.text, c.utf8);
            const Converted<std::string> back = Convert(c.utf8, Encoding::utf8, encoding);
            ASSERT_TRUE(back.ok) << c.utf8;
            EXPECT_EQ(back.text, bytes);
        }
    }
    EXPECT_EQ(Convert("-N"s, Encoding::utf16le, Encoding::cp936).text, "\xD6\xD0");

    const struct {
        std::string text;
        Encoding from, to;
        std::size_t offset;
        char32_t character;
    } failing[] = {
        {"a\0=\xD8"s, Encoding::utf16le, Encoding::utf8, 2, 0}, // a lone surrogate
        {"a\0b"s, Encoding::utf16le, Encoding::utf8, 2, 0},     // an odd last byte
        {"a\0=\xD8\0\xDE"s, Encoding::utf16le, Encoding::cp936, 2, 0x1F600},
        {"\xED\xA0\x80"s, Encoding::utf8, Encoding::utf16be, 0, 0}, // not UTF-8
    };
    for (const auto& c : failing) {
        const Converted<std::string> out = Convert(c.text, c.from, c.to);
        EXPECT_FALSE(out.ok) << testing::PrintToString(c.text);
        EXPECT_EQ(out.error.offset, c.offset) << testing::PrintToString(c.text);
        EXPECT_EQ(out.error.character, c.character) << testing::PrintToString(c.text);
    }
    EXPECT_EQ(ToWide("=\xD8\0\xDE"s, Encoding::utf16le).text, L"\U0001F600");
    EXPECT_EQ(FromWide(L"\U0001F600", Encoding::utf16be).text, "\xD8=\xDE\0"s);
}

} // namespace
} // namespace vorna
