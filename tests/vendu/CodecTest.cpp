#include "tools/vendu/Codec.h"

#include <gtest/gtest.h>

namespace vendu {
namespace {

TEST(Cp936ToUtf8, ConvertsThroughTheSystemTables) {
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
        std::string utf8, back;
        ASSERT_TRUE(Cp936ToUtf8(c.cp936, utf8)) << c.cp936;
        EXPECT_EQ(utf8, c.utf8);
        ASSERT_TRUE(Utf8ToCp936(c.utf8, back));
        EXPECT_EQ(back, c.cp936);
    }
}

TEST(Cp936ToUtf8, NamesTheFirstByteThatDoesNotConvert) {
    const struct {
        std::string text;
        bool fromCp936;
        std::size_t bad;
    } cases[] = {
        {"ab\xff", true, 2},        {"ab\xd6", true, 2},
        {"\xd6\xd0\xd6(", true, 2}, {"a\xf0\x9f\x98\x80", false, 1}, // no code page 936 form
        {"ab\xff", false, 2},                                        // not UTF-8
        {"a\xe9\x97", false, 1},                                     // cut short
    };
    for (const auto& c : cases) {
        std::string out;
        std::size_t bad = 99;
        EXPECT_FALSE(c.fromCp936 ? Cp936ToUtf8(c.text, out, &bad) : Utf8ToCp936(c.text, out, &bad))
            << c.text;
        EXPECT_EQ(bad, c.bad) << c.text;
    }
}

// Every double-byte character either converts and comes back as the same bytes, or is
// refused; and the table is the real one, not a handful of characters.
TEST(Cp936ToUtf8, EveryDoubleByteCharacterRoundTripsOrIsRefused) {
    std::size_t converted = 0;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            std::string utf8, back;
            if (!Cp936ToUtf8(bytes, utf8))
                continue;
            ++converted;
            ASSERT_TRUE(Utf8ToCp936(utf8, back));
            ASSERT_EQ(back, bytes);
        }
    }
    EXPECT_GT(converted, 21000u);
}

TEST(ShowText, EscapesWhatWouldBreakALineAndMarksBadBytes) {
    const struct {
        std::string text;
        bool raw;
        std::string shown;
        bool invalid;
    } cases[] = {
        {"a\r\nb\tc", false, "a\\r\\nb\\tc", false},
        {"back\\slash", false, "back\\\\slash", false},
        {"\x01\x7f", false, "\\x01\\x7F", false},
        {"\xcb\xd1", false, "\xe6\x90\x9c", false},
        {"x\xffy", false, "x\\xFFy", true},
        {"\xd6", false, "\\xD6", true},
        {"\xcb\xd1\r", true, "\xcb\xd1\\r", false},
        // A second byte that is a backslash belongs to its character: not escaped.
        {"\x81\x5c", true, "\x81\x5c", false},
        {"\xff", true, "\xff", false},
    };
    for (const auto& c : cases) {
        bool invalid = false;
        EXPECT_EQ(ShowText(c.text, c.raw, &invalid), c.shown) << c.text;
        EXPECT_EQ(invalid, c.invalid) << c.text;
    }
    std::string converted;
    ASSERT_TRUE(Cp936ToUtf8("\x81\x5c", converted));
    EXPECT_EQ(ShowText("\x81\x5c", false), converted);
}

} // namespace
} // namespace vendu
