#include "platform/App.h"
#include "platform/FileDialog.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

namespace vorna {
namespace {

TEST(ParseFileFilter, BarsBecomeTheNulSeparatedPairs) {
    const std::wstring parsed = ParseFileFilter(L"辅助文件(*.vendu)|*.vendu||");
    const wchar_t expected[] = L"辅助文件(*.vendu)\0*.vendu\0\0";
    EXPECT_EQ(parsed, std::wstring(expected, sizeof expected / sizeof expected[0] - 1));

    const wchar_t two[] = L"A|*.a|B|*.b;*.c||";
    const wchar_t twoExpected[] = L"A\0*.a\0B\0*.b;*.c\0\0";
    EXPECT_EQ(ParseFileFilter(two),
              std::wstring(twoExpected, sizeof twoExpected / sizeof twoExpected[0] - 1));
    EXPECT_EQ(ParseFileFilter(L""), L"");
}

TEST(AppNameFromPath, FileNameWithoutExtension) {
    struct Case {
        const wchar_t* path;
        const wchar_t* name;
    } cases[] = {
        {L"C:\\Program Files\\Lirel\\Vorna.exe", L"Vorna"},
        {L"Z:/work/build/app/Vorna.exe", L"Vorna"},
        {L"Vorna.exe", L"Vorna"},
        {L"C:\\a.b\\tool.v2.exe", L"tool.v2"},
        {L"C:\\dir\\noext", L"noext"},
        {L"C:\\dir\\.hidden", L".hidden"},
        {L"C:Vorna.EXE", L"Vorna"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AppNameFromPath(c.path), c.name) << c.path;
}

TEST(TextConversions, RoundTripsAndTheActiveCodePage) {
    const std::string utf8 = "关于 Vorna(&A)...";
    EXPECT_EQ(WideFromUtf8(utf8), L"关于 Vorna(&A)...");
    EXPECT_EQ(Utf8FromWide(WideFromUtf8(utf8)), utf8);
    EXPECT_EQ(WideFromUtf8(""), L"");
    // A character outside every ANSI code page survives UTF-8 (paths).
    EXPECT_EQ(Utf8FromWide(L"\U0001F600.vendu"), "\xF0\x9F\x98\x80.vendu");

    if (::GetACP() != 936)
        GTEST_SKIP() << "code page " << ::GetACP();
    EXPECT_EQ(WideFromAnsi("\xCB\xD1\xCB\xF7"), L"搜索");
    EXPECT_EQ(AnsiFromWide(L"搜索"), "\xCB\xD1\xCB\xF7");
}

// Strictly into code page 936: what converts is exact, and what does not is named with its
// place in the UTF-16 text, while the text itself keeps "?" there (one or one per unit).
TEST(TextConversions, StrictAnsiSaysWhatDidNotConvertAndWhere) {
    if (::GetACP() != 936)
        GTEST_SKIP() << "code page " << ::GetACP();
    const wchar_t loneSurrogate[] = {L'a', 0xD83D, L'b', 0};
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
         0x1F600, 1, 2},
        {"the first of two", L"\U00020BB7\U0001F600", false, "", "", 0x20BB7, 0, 2},
        {"a look-alike is no conversion", L"x\u00C0", false, "x", "", 0xC0, 1, 1},
        {"a lone surrogate", loneSurrogate, false, "a", "b", 0xD83D, 1, 1},
    };
    for (const Case& c : cases) {
        const AnsiConversion result = AnsiFromWideStrict(c.text);
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

} // namespace
} // namespace vorna
