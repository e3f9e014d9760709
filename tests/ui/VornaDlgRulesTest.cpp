#include "ui/VornaDlgRules.h"

#include <gtest/gtest.h>

#include <climits>

namespace vorna {
namespace {

TEST(DefaultEntryPath, AppendsTheFileNameOrRefusesAnUnfitDirectory) {
    const wchar_t* dir = L"C:\\notes";
    EXPECT_EQ(DefaultEntryPath(8, dir, MAX_PATH).value(), L"C:\\notes\\super.vendu");
    // A root keeps its own backslash: the text is not normalised.
    EXPECT_EQ(DefaultEntryPath(3, L"C:\\", MAX_PATH).value(), L"C:\\\\super.vendu");
    // The query failed.
    EXPECT_FALSE(DefaultEntryPath(0, dir, MAX_PATH).has_value());
    // The directory did not fit: the query reports the size it would need, and the buffer
    // holds nothing usable.
    std::wstring full(MAX_PATH - 1, L'a');
    EXPECT_TRUE(DefaultEntryPath(MAX_PATH - 1, full.c_str(), MAX_PATH).has_value());
    EXPECT_FALSE(DefaultEntryPath(MAX_PATH, L"", MAX_PATH).has_value());
    EXPECT_FALSE(DefaultEntryPath(MAX_PATH + 40, L"", MAX_PATH).has_value());
}

TEST(DefaultEntryPath, LongCurrentDirectoryIsNotReadPastTheBuffer) {
    // The real query against a directory longer than the buffer, where Wine allows one.
    wchar_t saved[MAX_PATH * 4] = {};
    ASSERT_GT(::GetCurrentDirectoryW(MAX_PATH * 4, saved), 0u);
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    std::wstring deep = temp;
    deep += L"vorna-long-cwd";
    ::CreateDirectoryW(deep.c_str(), nullptr);
    std::vector<std::wstring> made{deep};
    while (deep.size() < MAX_PATH + 20) {
        deep += L"\\" + std::wstring(60, L'd');
        ::CreateDirectoryW(deep.c_str(), nullptr);
        made.push_back(deep);
    }
    if (!::SetCurrentDirectoryW(deep.c_str())) {
        for (auto it = made.rbegin(); it != made.rend(); ++it)
            ::RemoveDirectoryW(it->c_str());
        GTEST_SKIP() << "the system refuses a current directory this long";
    }
    wchar_t buffer[MAX_PATH];
    std::fill(std::begin(buffer), std::end(buffer), L'\x7F');
    DWORD n = ::GetCurrentDirectoryW(MAX_PATH, buffer);
    EXPECT_FALSE(DefaultEntryPath(n, buffer, MAX_PATH).has_value());
    ::SetCurrentDirectoryW(saved);
    for (auto it = made.rbegin(); it != made.rend(); ++it)
        ::RemoveDirectoryW(it->c_str());
}

TEST(MatchAt, RefusesSelectionsThatNameNoMatchOrEntry) {
    const std::vector<std::uint32_t> matches{0, 4, 9};
    struct Case {
        int selection;
        std::size_t entries;
        std::optional<std::uint32_t> shown;
    } cases[] = {
        {0, 10, 0u}, {1, 10, 4u},       {2, 10, 9u}, {-1, 10, {}}, // nothing selected
        {3, 10, {}},                                               // a line beyond the match list
        {2, 5, {}}, // the store shrank under an old search
        {1, 5, 4u},  {INT_MAX, 10, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchAt(c.selection, matches, c.entries), c.shown) << c.selection;
    EXPECT_FALSE(MatchAt(0, {}, 10).has_value());
}

TEST(IconOffset, CentresWithTruncatingHalves) {
    struct Case {
        int client, icon, offset;
    } cases[] = {
        {32, 32, 0},  {33, 32, 1},   {34, 32, 1},  {30, 32, 0},
        {29, 32, -1}, {100, 32, 34}, {0, 32, -15},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IconOffset(c.client, c.icon), c.offset) << c.client;
}

TEST(ScreenPointParam, PacksLowWordsOfBothCoordinates) {
    EXPECT_EQ(ScreenPointParam({10, 20}), static_cast<LPARAM>(0x0014000A));
    // A monitor left of or above the primary one gives negative coordinates.
    EXPECT_EQ(ScreenPointParam({-5, -1}), static_cast<LPARAM>(0xFFFFFFFBu));
    EXPECT_EQ(ScreenPointParam({0x12345, 3}), static_cast<LPARAM>(0x00032345));
}

TEST(HasWhiteBackground, AllKindsButStatic) {
    for (unsigned kind = CTLCOLOR_MSGBOX; kind <= CTLCOLOR_SCROLLBAR; ++kind)
        EXPECT_TRUE(HasWhiteBackground(kind)) << kind;
    EXPECT_FALSE(HasWhiteBackground(CTLCOLOR_STATIC));
    EXPECT_FALSE(HasWhiteBackground(7));
    EXPECT_FALSE(HasWhiteBackground(0xFFFFFFFFu));
}

} // namespace
} // namespace vorna
