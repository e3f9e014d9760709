#include "text/LineBreaks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorna {
namespace {

// Narrow characters one unit wide, the wide scripts two, "W" wider than a line, tab stops
// every four units; lines of 10 units, spaces hanging up to 12.
int TestWidth(char32_t c, int x) {
    if (c == U'\t')
        return 4 - x % 4;
    if (c == U'W')
        return 15;
    return c >= 0x2E80 ? 2 : 1;
}

std::vector<std::size_t> Breaks(const std::wstring& text) {
    return FindLineBreaks(text, 10, 12, TestWidth);
}

TEST(FindLineBreaks, BreaksWhereALineWouldBeWiderThanTheBox) {
    const struct {
        const char* what;
        std::wstring text;
        std::vector<std::size_t> breaks;
    } cases[] = {
        {"a line that fits", L"abcdefghij", {}},
        {"after the spaces between words", L"hello world again", {6, 12}},
        {"inside a word with no other place", L"abcdefghijklmnop", {10}},
        {"beside characters of the wide scripts", L"中文中文中文中文", {5}},
        {"not before a closing mark", L"中文中文中，", {4}},
        {"spaces hang past the width", L"abcdefghij  k", {12}},
        {"after a tab", L"ab\tcdefghij", {3}},
        {"a character wider than a line alone", L"aWb", {1, 2}},
        {"lines of the text begin anew", L"abcdefghij\nabcdefghij\r\nabcdefghij", {}},
        {"never inside a surrogate pair", L"abcdefgh\xD840\xDC00\xD840\xDC00", {10}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Breaks(c.text), c.breaks) << c.what;
}

TEST(FindLineBreaks, LinesOfAnyLengthCostTheirLengthOnly) {
    int measured = 0;
    // Words of seven letters and a space: each line holds one word, and the letters after it
    // are measured again on the next line.
    std::wstring text;
    for (int i = 0; i < (1 << 15); ++i)
        text += L"abcdefg ";
    const auto breaks = FindLineBreaks(text, 10, 12, [&](char32_t, int) {
        ++measured;
        return 1;
    });
    EXPECT_EQ(breaks.size(), text.size() / 8 - 1);
    EXPECT_LE(measured, 2 * static_cast<int>(text.size()));
}

TEST(InsertLineBreaks, ShowsTheBreaksAndPositionsMapBackToTheText) {
    const std::wstring text = L"hello world again";
    const std::vector<std::size_t> breaks = {6, 12};
    const std::wstring shown = InsertLineBreaks(text, breaks);
    EXPECT_EQ(shown, L"hello \r\nworld \r\nagain");
    // Shown position -> text position; inside an inserted break counts as its place.
    const std::vector<std::pair<std::size_t, std::size_t>> positions = {
        {0, 0}, {6, 6}, {7, 6}, {8, 6}, {13, 11}, {14, 12}, {15, 12}, {16, 12}, {21, 17}};
    for (const auto& [from, to] : positions)
        EXPECT_EQ(TextPosition(from, breaks), to) << from;
    EXPECT_EQ(TextPosition(5, {}), 5u);
}

} // namespace
} // namespace vorna
