#include "platform/App.h"
#include "platform/FileDialog.h"

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

} // namespace
} // namespace vorna
