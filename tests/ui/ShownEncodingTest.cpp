#include "ui/ShownEncoding.h"

#include <gtest/gtest.h>

#include <string>

namespace vorna {
namespace {

TEST(ShownText, CodePage936StoresKeepTheAnsiBytesTheOthersAreUtf8) {
    EXPECT_EQ(ShownEncoding({Encoding::cp936, 0}), Encoding::system);
    EXPECT_EQ(ShownEncoding({Encoding::utf8, 3}), Encoding::utf8);
    EXPECT_EQ(ShownEncoding({Encoding::utf16be, 2}), Encoding::utf8);
    EXPECT_FALSE(KeywordLeadBytes(Encoding::utf8).Any());
    EXPECT_TRUE(KeywordLeadBytes(Encoding::system).IsLead(0x81)); // code page 936 here
}

TEST(ShownText, TheTipNamesTheFileItsEncodingAndItsEntries) {
    const std::string longName(200, 'x');
    const std::string emoji = "\xF0\x9F\x98\x80";
    std::string emojiName;
    for (int i = 0; i < 80; ++i)
        emojiName += emoji;
    const struct {
        std::string path;
        FileEncoding file;
        std::size_t entries;
        std::wstring tip;
    } cases[] = {
        {"C:\\notes\\super.vendu", {Encoding::utf8, 3}, 28, L"Lirel — super.vendu (UTF-8, 28 条)"},
        {"Z:/a b/笔记.vendu", {Encoding::cp936, 0}, 0, L"Lirel — 笔记.vendu (GBK, 0 条)"},
        {"only.vendu", {Encoding::utf16le, 2}, 1, L"Lirel — only.vendu (UTF-16LE, 1 条)"},
        // Cut to the shell's 127 characters, the encoding and count kept; never between the
        // halves of a surrogate pair.
        {"C:\\" + longName,
         {Encoding::cp936, 0},
         5,
         L"Lirel — " + std::wstring(107, L'x') + L"… (GBK, 5 条)"},
        {emojiName,
         {Encoding::utf8, 0},
         5,
         L"Lirel — " + ToWide(emojiName, Encoding::utf8).text.substr(0, 104) + L"… (UTF-8, 5 条)"},
    };
    for (const auto& c : cases) {
        const std::wstring tip = LoadedFileTip(c.path, c.file, c.entries);
        EXPECT_EQ(tip, c.tip) << c.path;
        EXPECT_LE(tip.size(), 127u) << c.path;
    }
}

} // namespace
} // namespace vorna
