#include "ui/controls/LinkCommand.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

using namespace vorna;

namespace {

const std::wstring kAddress = L"http://www.example.com/lirel/";

struct CommandCase {
    const char* name;
    std::wstring registryCommand;
    std::wstring expected;
};

// The address takes the place of its placeholder and the rest of the command stays; the
// program path always comes quoted.
TEST(MakeOpenCommand, PutsTheAddressInPlaceAndQuotesTheProgram) {
    const std::wstring web = L"\"C:\\Program Files\\Web\\web.exe\"";
    const std::vector<CommandCase> cases = {
        {"quoted placeholder between options", web + L" -nohome \"%1\" -new",
         web + L" -nohome \"" + kAddress + L"\" -new"},
        {"bare placeholder with an option after it", L"C:\\web.exe -url %1 -new",
         L"\"C:\\web.exe\" -url " + kAddress + L" -new"},
        {"placeholder in the middle of an argument", web + L" --page=%1,new",
         web + L" --page=" + kAddress + L",new"},
        {"long-name placeholder, either case", web + L" %L %l",
         web + L" " + kAddress + L" " + kAddress},
        {"every placeholder is filled", web + L" %1 -b \"%1\"",
         web + L" " + kAddress + L" -b \"" + kAddress + L"\""},
        {"no placeholder: the address follows the whole command", web + L" -new",
         web + L" -new " + kAddress},
        {"program alone", L"C:\\web.exe", L"\"C:\\web.exe\" " + kAddress},
        {"unquoted path with blanks ends after .exe", L"C:\\Program Files\\Web\\web.exe %1",
         web + L" " + kAddress},
        {"unquoted .EXE in capitals, leading blanks dropped", L"  C:\\My Web\\WEB.EXE -x",
         L"\"C:\\My Web\\WEB.EXE\" -x " + kAddress},
        {".exe inside a name is no end", L"C:\\a.exes\\web.exe %1",
         L"\"C:\\a.exes\\web.exe\" " + kAddress},
        {"unquoted without .exe ends at the first blank", L"web -url %1",
         L"\"web\" -url " + kAddress},
        {"a placeholder in the program path is no placeholder", L"\"C:\\%1\\web.exe\" -x",
         L"\"C:\\%1\\web.exe\" -x " + kAddress},
        {"a lone percent sign is no placeholder", web + L" 100% -x", web + L" 100% -x " + kAddress},
        {"an unclosed quote takes the rest as the program", L"\"C:\\web.exe %1",
         L"\"C:\\web.exe %1\" " + kAddress},
    };
    for (const auto& c : cases) {
        const OpenCommand command = MakeOpenCommand(c.registryCommand, kAddress);
        ASSERT_EQ(command.status, OpenCommand::Status::ok) << c.name;
        EXPECT_EQ(command.line, c.expected) << c.name;
    }
}

TEST(MakeOpenCommand, APlaceholderInTheAddressIsNotFilledAgain) {
    const OpenCommand command = MakeOpenCommand(L"web.exe \"%1\" -x", L"http://h/%1%L");
    ASSERT_EQ(command.status, OpenCommand::Status::ok);
    EXPECT_EQ(command.line, L"\"web.exe\" \"http://h/%1%L\" -x");
}

TEST(MakeOpenCommand, ACommandWithoutAProgramIsNone) {
    for (const std::wstring command : {L"", L"   ", L"\t", L"\"\" %1", L"\"\""}) {
        EXPECT_EQ(MakeOpenCommand(command, kAddress).status, OpenCommand::Status::noProgram)
            << command.size();
    }
}

TEST(MakeOpenCommand, RefusesALineThatWouldNotFitTheBuffer) {
    // Quotes + program + blank + address + terminating zero must fit into the 520 characters.
    const std::size_t room = kCommandChars - 2 - 1 - kAddress.size() - 1;
    const OpenCommand fits = MakeOpenCommand(std::wstring(room, L'c'), kAddress);
    ASSERT_EQ(fits.status, OpenCommand::Status::ok);
    EXPECT_EQ(fits.line.size(), kCommandChars - 1);
    const struct {
        const char* name;
        std::wstring command;
        std::wstring address;
    } tooLong[] = {
        {"one more", std::wstring(room + 1, L'c'), kAddress},
        {"far longer", std::wstring(4000, L'c'), kAddress},
        {"an address alone too long", L"web.exe", std::wstring(kCommandChars, L'a')},
        // "web.exe" "<address>" and the option: one character over.
        {"the arguments after the placeholder count",
         L"web.exe \"%1\" " + std::wstring(kCommandChars - 13 - kAddress.size(), L'o'), kAddress},
    };
    for (const auto& c : tooLong) {
        const OpenCommand command = MakeOpenCommand(c.command, c.address);
        EXPECT_EQ(command.status, OpenCommand::Status::tooLong) << c.name;
        EXPECT_TRUE(command.line.empty()) << c.name;
    }
}

TEST(OpenResultFromError, MapsStartFailuresOntoTheErrorTable) {
    const std::vector<std::pair<unsigned long, int>> cases = {
        {2, 2},     // file not found
        {3, 3},     // path not found
        {123, 3},   // invalid name
        {5, 5},     // access denied
        {740, 5},   // elevation required
        {8, 8},     // not enough memory
        {14, 8},    // out of memory
        {11, 11},   // bad format
        {193, 11},  // not a valid program
        {32, 26},   // sharing violation, not the library text of code 32
        {126, 32},  // module not found
        {1157, 32}, // library not found
        {87, 11},   // anything else: not startable
        {0, 11},    // none given
        {27, 11},   // below 32, yet no association problem
        {31, 11},   // nor a missing association
        {0xFFFFFFFFul, 11},
    };
    for (const auto& [error, code] : cases) {
        EXPECT_EQ(OpenResultFromError(error), code) << error;
        EXPECT_LE(OpenResultFromError(error), 32) << error;
    }
}

TEST(OpenErrorMessage, EveryTableCodeHasItsOwnText) {
    const std::vector<std::pair<int, const char*>> table = {
        {0, "The operating system is out\nof memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied\naccess to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred. "},
        {27, "The filename association is\nincomplete or invalid."},
        {28, "The DDE transaction could not\nbe completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere "
             "being processed."},
        {31, "There is no application associated\nwith the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
        {kOpenCommandTooLong,
         "The command line for opening web pages\nwould be too long with this address."},
    };
    for (const auto& [code, text] : table) {
        EXPECT_EQ(OpenErrorMessage(code), std::string("Unable to open hyperlink:\n\n") + text)
            << code;
    }
}

TEST(OpenErrorMessage, OtherCodesAreUnknownWithTheSignedCode) {
    const std::vector<std::pair<int, const char*>> cases = {
        {1, "1"},
        {4, "4"},
        {25, "25"},
        {33, "33"},
        {42, "42"},
        {-1, "-1"},
        {-32, "-32"},
        {INT_MAX, "2147483647"},
        {INT_MIN, "-2147483648"},
    };
    for (const auto& [code, digits] : cases) {
        EXPECT_EQ(OpenErrorMessage(code),
                  std::string("Unable to open hyperlink:\n\nUnknown Error (") + digits +
                      ") occurred.")
            << code;
    }
}

TEST(OpenCommandTooLong, IsAFailureCodeOfItsOwn) {
    EXPECT_LE(kOpenCommandTooLong, 32);
    EXPECT_GT(kOpenStarted, 32);
    for (int taken : {0, 2, 3, 5, 8, 11, 26, 27, 28, 29, 30, 31, 32}) {
        EXPECT_NE(kOpenCommandTooLong, taken);
    }
}

// The queried characters live in a heap block of exactly the reported size, so a read past
// them is caught by the address sanitizer.
struct ValueCase {
    const char* name;
    long queryResult;
    std::string written; // characters the query wrote; the reported size is their count
    std::size_t reportedSize;
    std::size_t outChars;
    long expectedResult;
    std::string expectedOut;
};

// The same case with narrow and with wide characters, as the registry's two APIs give them.
template <class Char> void CheckValueCase(const ValueCase& c) {
    std::vector<Char> queried(c.written.begin(), c.written.end());
    std::vector<Char> out(c.outChars + 1, Char('X'));
    const long result = TakeRegValue(c.queryResult, queried.empty() ? nullptr : queried.data(),
                                     c.reportedSize, out.data(), c.outChars);
    EXPECT_EQ(result, c.expectedResult) << c.name;
    EXPECT_EQ(std::basic_string<Char>(out.data()),
              std::basic_string<Char>(c.expectedOut.begin(), c.expectedOut.end()))
        << c.name;
    EXPECT_EQ(out[c.outChars], Char('X')) << c.name << ": wrote past the output";
}

TEST(TakeRegValue, CopiesOnlyAUsableValueAndNeverPastTheBuffers) {
    const std::vector<ValueCase> cases = {
        {"terminated value", kRegSuccess, std::string("htmlfile\0", 9), 9, kCommandChars,
         kRegSuccess, "htmlfile"},
        {"value stored without its terminating zero", kRegSuccess, "htmlfile", 8, kCommandChars,
         kRegSuccess, "htmlfile"},
        {"characters after the terminating zero are ignored", kRegSuccess,
         std::string("ab\0garbage", 10), 10, kCommandChars, kRegSuccess, "ab"},
        {"absent value", kRegFileNotFound, "", 0, kCommandChars, kRegFileNotFound, ""},
        {"value longer than the query buffer", kRegMoreData, std::string(260, 'G'), 300,
         kCommandChars, kRegMoreData, ""},
        {"a size beyond the query buffer reported as success", kRegSuccess, std::string(260, 'G'),
         261, kCommandChars, kRegMoreData, ""},
        {"the whole query buffer without a terminating zero", kRegSuccess, std::string(260, 'v'),
         260, kCommandChars, kRegSuccess, std::string(260, 'v')},
        {"empty value", kRegSuccess, std::string("\0", 1), 1, kCommandChars, kRegFileNotFound, ""},
        {"nothing written", kRegSuccess, "", 0, kCommandChars, kRegFileNotFound, ""},
        {"output too small for the value", kRegSuccess, std::string("htmlfile\0", 9), 9, 8,
         kRegMoreData, ""},
        {"output just large enough", kRegSuccess, std::string("htmlfile\0", 9), 9, 9, kRegSuccess,
         "htmlfile"},
    };
    for (const auto& c : cases) {
        CheckValueCase<char>(c);
        CheckValueCase<wchar_t>(c);
    }
}

TEST(TakeRegValue, NoOutputRoomWritesNothing) {
    char guard = 'X';
    EXPECT_EQ(TakeRegValue(kRegSuccess, "a", 2, &guard, 0), kRegMoreData);
    EXPECT_EQ(guard, 'X');
}

struct FitCase {
    const char* name;
    std::uint32_t style;
    int cx;
    int cy;
    LinkRect expected;
};

TEST(FitRectToText, KeepsTheEdgeOrCentreTheAlignmentNames) {
    const LinkRect window{10, 20, 110, 40}; // 100 x 20
    const std::vector<FitCase> cases = {
        {"left and top", 0, 40, 12, {10, 20, 50, 32}},
        {"centred keeps the horizontal centre", kStaticCenter, 40, 12, {40, 20, 80, 32}},
        {"right keeps the right edge", kStaticRight, 40, 12, {70, 20, 110, 32}},
        {"centre image keeps the vertical centre", kStaticCenterImage, 40, 12, {10, 24, 50, 36}},
        {"both centred", kStaticCenter | kStaticCenterImage, 40, 12, {40, 24, 80, 36}},
        {"centre bit wins over the right bit",
         kStaticCenter | kStaticRight,
         40,
         12,
         {40, 20, 80, 32}},
        {"odd differences halve toward zero",
         kStaticCenter | kStaticCenterImage,
         41,
         13,
         {39, 23, 81, 37}},
        {"larger text grows a centred control on both sides",
         kStaticCenter | kStaticCenterImage,
         105,
         25,
         {8, 18, 112, 42}},
        {"larger text moves a right-aligned control's left edge",
         kStaticRight,
         150,
         30,
         {-40, 20, 110, 50}},
        {"larger text grows a left-aligned control to the right", 0, 150, 30, {10, 20, 160, 50}},
        {"empty text", 0, 0, 0, {10, 20, 10, 20}},
    };
    for (const auto& c : cases) {
        const LinkRect r = FitRectToText(window, c.style, c.cx, c.cy);
        EXPECT_EQ(r, c.expected) << c.name << ": got " << r.left << "," << r.top << "," << r.right
                                 << "," << r.bottom;
    }
}

TEST(FitRectToText, NegativeOddDifferenceTruncatesTowardZero) {
    // (20 - 23) / 2 is -1, not -2: the centred control grows by one at each end.
    const LinkRect r = FitRectToText({0, 0, 20, 20}, kStaticCenter | kStaticCenterImage, 23, 23);
    EXPECT_EQ(r, (LinkRect{-1, -1, 21, 21}));
}

TEST(Hover, EdgesOfTheClientRectangle) {
    const LinkRect client{0, 0, 50, 10};
    const std::vector<std::tuple<int, int, bool>> points = {
        {0, 0, true},   {49, 9, true},  {25, 5, true},  {50, 5, false},
        {5, 10, false}, {-1, 5, false}, {5, -1, false}, {50, 10, false},
    };
    for (const auto& [x, y, inside] : points) {
        EXPECT_EQ(IsPointInRect(client, x, y), inside) << x << "," << y;
        EXPECT_EQ(NextHover(true, client, x, y), inside ? HoverChange::none : HoverChange::leave)
            << x << "," << y;
    }
}

TEST(Hover, MovesWithinTheControlEnterOnlyOnce) {
    const LinkRect client{0, 0, 50, 10};
    bool over = false;
    int enters = 0;
    int leaves = 0;
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{
             {3, 3}, {4, 3}, {0, 0}, {49, 9}, {50, 9}, {10, 5}, {10, 6}, {-3, 6}}) {
        switch (NextHover(over, client, x, y)) {
        case HoverChange::enter:
            over = true;
            ++enters;
            break;
        case HoverChange::leave:
            over = false;
            ++leaves;
            break;
        case HoverChange::none:
            break;
        }
    }
    EXPECT_EQ(enters, 2);
    EXPECT_EQ(leaves, 2);
    EXPECT_FALSE(over);
}

} // namespace
