#include "ui/ShownText.h"

#include <gtest/gtest.h>

#include <string>

namespace vorna {
namespace {

const std::string kEllipsis936 = "\xA1\xAD";
const std::string kZhong936 = "\xD6\xD0";      // 中
const std::string kZhongUtf8 = "\xE4\xB8\xAD"; // 中

std::string Repeat(const std::string& unit, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i)
        text += unit;
    return text;
}

TEST(ShownText, ALabelKeepsItsFormUntilItIsLongThenEndsWithAnEllipsisOnACharacter) {
    const CShownText cp936(Encoding::cp936, LeadBytes::Cp936());
    const CShownText utf8(Encoding::utf8, LeadBytes());
    const std::string longAnswer936 = "a" + Repeat(kZhong936, 3000);
    const std::string longAnswerUtf8 = "a" + Repeat(kZhongUtf8, 2000);
    const struct {
        const char* what;
        const CShownText& shown;
        std::string question, answer, label;
    } cases[] = {
        {"normal length", cp936, "\r\nQ\r\n", "\r\nA\r\n", "\r\nQ\r\n/\r\nA\r\n"},
        {"exactly the most", cp936, "q", std::string(4094, 'x'), "q/" + std::string(4094, 'x')},
        // Room for 4094 bytes before the ellipsis: "q/a" and 2045 whole characters, not a
        // lead byte of the next.
        {"long answer, code page 936", cp936, "q", longAnswer936,
         "q/a" + Repeat(kZhong936, 2045) + kEllipsis936},
        {"long question", cp936, Repeat(kZhong936, 2100), "a",
         Repeat(kZhong936, 2047) + kEllipsis936},
        // Room for 4093 bytes before "…" in UTF-8: "q/a" and 1363 whole characters.
        {"long answer, UTF-8", utf8, "q", longAnswerUtf8,
         "q/a" + Repeat(kZhongUtf8, 1363) + "\xE2\x80\xA6"},
    };
    for (const auto& c : cases) {
        const std::string label = c.shown.Label(c.question, c.answer);
        EXPECT_EQ(label, c.label) << c.what;
        EXPECT_LE(label.size(), CShownText::LabelSize(c.question, c.answer)) << c.what;
    }
}

TEST(ShownText, ABoxShowsTheFirstMegabyteOnACharacterThenSaysHowMuchIsLeft) {
    const CShownText cp936(Encoding::cp936, LeadBytes::Cp936());
    const std::size_t mega = CShownText::kBoxBytes;
    const std::string whole = std::string(mega - 2, 'x') + kZhong936;
    EXPECT_EQ(cp936.BoxText(whole), whole);
    // One byte short of the megabyte the last character would be split: it is left out.
    const std::string over = std::string(mega - 1, 'x') + kZhong936 + "tail";
    const std::string note =
        Convert("（内容过长，以下还有6字节未显示）", Encoding::utf8, Encoding::cp936).text;
    EXPECT_EQ(cp936.BoxText(over), std::string(mega - 1, 'x') + "\r\n" + note);
}

} // namespace
} // namespace vorna
