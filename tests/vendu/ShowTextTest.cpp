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

} // namespace
} // namespace vendu
