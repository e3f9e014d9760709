#include "tools/vendu/ShowText.h"

#include "text/Convert.h"

#include <gtest/gtest.h>

namespace vendu {
namespace {

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
    const vorna::Converted<std::string> converted =
        vorna::Convert("\x81\x5c", vorna::Encoding::cp936, vorna::Encoding::utf8);
    ASSERT_TRUE(converted.ok);
    EXPECT_EQ(ShowText("\x81\x5c", false), converted.text);
}

TEST(OneLine, TurnsLineBreakRunsIntoSpacesAndMarksStretches) {
    const Marking marking = {"<", ">"};
    const struct {
        std::string text;
        std::vector<Mark> marks;
        std::string shown;
    } cases[] = {
        {"\r\nq\r\n/\r\na\r\n", {}, "q / a"},
        {"one\r\n\r\n\ntwo\rthree", {}, "one two three"},
        {"  tab\there\x1b\\ ", {}, "tab\there\\x1B\\"},
        {"Apple", {{0, 1}, {3, 4}}, "<A>pp<l>e"},
        {"a\r\nb", {{0, 4}}, "<a b>"},
        {"\r\nkey\r\n", {{2, 5}}, "<key>"},
        {"\xcb\xd1x\xff", {{0, 2}}, "<\xe6\x90\x9c>x\\xFF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OneLine(c.text, c.marks, marking, false), c.shown) << c.text;
    EXPECT_EQ(OneLine("\xcb\xd1\r\n\xff", {}, Marking{}, true), "\xcb\xd1 \xff");
}

TEST(WholeText, KeepsLineBreaksAndTabsAndEscapesOtherControlBytes) {
    EXPECT_EQ(WholeText("(%Q%)\r\nq\tx\x07\\\xcb\xd1", false), "(%Q%)\r\nq\tx\\x07\\\xe6\x90\x9c");
}

} // namespace
} // namespace vendu
