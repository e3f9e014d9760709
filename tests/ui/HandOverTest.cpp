// How a file reaches the program: the command line it is started with, and the message a
// later copy hands it over with.
#include "platform/CommandLine.h"
#include "text/Convert.h"
#include "ui/RunningCopy.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vorna {
namespace {

TEST(FileArgument, TheFileAfterTheProgramsName) {
    struct Case {
        const wchar_t* line;
        std::optional<std::wstring> file;
    } cases[] = {
        {L"\"C:\\Program Files\\Vorna\\Vorna.exe\"", std::nullopt},
        {L"\"C:\\Program Files\\Vorna\\Vorna.exe\"  \t ", std::nullopt},
        {L"Vorna.exe \"\"", std::nullopt},
        // As Explorer starts it.
        {L"\"C:\\Program Files\\Vorna\\Vorna.exe\" \"D:\\笔记\\常用 问答.vendu\"",
         L"D:\\笔记\\常用 问答.vendu"},
        {L"Vorna.exe \"D:\\한국어 노트.vendu\"", L"D:\\한국어 노트.vendu"},
        // Typed without quotes: the rest of the line, inner blanks kept, outer ones not.
        {L"\"C:\\Program Files\\Vorna\\Vorna.exe\" D:\\笔记\\常用  问答.vendu  ",
         L"D:\\笔记\\常用  问答.vendu"},
        {L"Vorna.exe\tnotes.vendu", L"notes.vendu"},
        {L"C:\\Vorna\\Vorna.exe ..\\notes.vendu", L"..\\notes.vendu"},
        // With quotes the system's splitting holds, and the first argument is the file.
        {L"Vorna.exe \"a b.vendu\" \"c.vendu\"", L"a b.vendu"},
        {L"Vorna.exe \"an unclosed name.vendu", L"an unclosed name.vendu"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FileArgument(c.line), c.file) << FromWide(c.line, Encoding::utf8).text;
}

TEST(TakeStartFolder, TheSwitchRightAfterTheProgramsNameNamesTheFolderToStartIn) {
    struct Case {
        const wchar_t* line;
        std::optional<std::wstring> folder;
        const wchar_t* rest;
    } cases[] = {
        {L"\"C:\\Vorna\\Vorna.exe\" /startin:\"D:\\我的 笔记\"", L"D:\\我的 笔记",
         L"\"C:\\Vorna\\Vorna.exe\""},
        // A root keeps its backslash: the quote ends the folder, no escape.
        {L"Vorna.exe /StartIn:\"D:\\\"", L"D:\\", L"Vorna.exe"},
        {L"Vorna.exe  /startin:D:\\notes \"a b.vendu\"", L"D:\\notes", L"Vorna.exe \"a b.vendu\""},
        {L"Vorna.exe /startin:\"D:\\unclosed", L"D:\\unclosed", L"Vorna.exe"},
        {L"Vorna.exe /startin:", std::nullopt, L"Vorna.exe"},
        // Not right after the name, or no switch: the line as it is.
        {L"Vorna.exe notes.vendu /startin:\"D:\\\"", std::nullopt,
         L"Vorna.exe notes.vendu /startin:\"D:\\\""},
        {L"Vorna.exe /start:\"D:\\\"", std::nullopt, L"Vorna.exe /start:\"D:\\\""},
        {L"Vorna.exe", std::nullopt, L"Vorna.exe"},
    };
    for (const Case& c : cases) {
        const StartIn start = TakeStartFolder(c.line);
        EXPECT_EQ(start.folder, c.folder) << FromWide(c.line, Encoding::utf8).text;
        EXPECT_EQ(start.rest, c.rest) << FromWide(c.line, Encoding::utf8).text;
    }
    // What a start with Windows writes is read back.
    const std::wstring written = StartCommand(L"C:\\程序\\Vorna.exe", L"E:\\");
    EXPECT_EQ(written, L"\"C:\\程序\\Vorna.exe\" /startin:\"E:\\\"");
    EXPECT_EQ(TakeStartFolder(written).folder, std::optional<std::wstring>(L"E:\\"));
    EXPECT_EQ(FileArgument(TakeStartFolder(written).rest), std::nullopt);
}

TEST(HandedPath, OnlyAWellFormedHandOverCarriesAPath) {
    const std::wstring good = L"C:\\笔记\\常用 问答.vendu";
    const std::wstring longest = L"\\\\?\\C:\\" + std::wstring(kLongestPath - 7, L'x');
    struct Case {
        const char* name;
        ULONG_PTR tag;
        std::wstring text; // the data, its size in bytes unless bytes is given
        std::optional<DWORD> bytes;
        bool present;
        std::optional<std::wstring> path;
    };
    const std::vector<Case> cases = {
        {"a full path", kHandOverTag, good, std::nullopt, true, good},
        {"a network path", kHandOverTag, L"\\\\server\\share\\a.vendu", std::nullopt, true,
         L"\\\\server\\share\\a.vendu"},
        {"the longest path", kHandOverTag, longest, std::nullopt, true, longest},
        {"another tag", kHandOverTag + 1, good, std::nullopt, true, std::nullopt},
        {"no data", kHandOverTag, good, std::nullopt, false, std::nullopt},
        {"no bytes", kHandOverTag, good, 0, true, std::nullopt},
        {"an odd size", kHandOverTag, good, 5, true, std::nullopt},
        {"a zero inside", kHandOverTag, std::wstring(L"C:\\a\0b.vendu", 12), std::nullopt, true,
         std::nullopt},
        {"a terminating zero", kHandOverTag, std::wstring(L"C:\\a.vendu\0", 11), std::nullopt, true,
         std::nullopt},
        {"a relative path", kHandOverTag, L"notes.vendu", std::nullopt, true, std::nullopt},
        {"relative to a drive", kHandOverTag, L"C:notes.vendu", std::nullopt, true, std::nullopt},
        {"longer than any path", kHandOverTag, longest + L"x", std::nullopt, true, std::nullopt},
    };
    for (const Case& c : cases) {
        COPYDATASTRUCT data{};
        data.dwData = c.tag;
        data.cbData = c.bytes.value_or(static_cast<DWORD>(c.text.size() * sizeof(wchar_t)));
        data.lpData = c.present ? const_cast<wchar_t*>(c.text.data()) : nullptr;
        EXPECT_EQ(HandedPath(data), c.path) << c.name;
    }
}

} // namespace
} // namespace vorna
