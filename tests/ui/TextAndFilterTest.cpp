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

} // namespace
} // namespace vorna
