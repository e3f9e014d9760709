#include "ui/controls/LinkCommand.h"

#include "knowledge/Search.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

using namespace vorna;

namespace {

const std::string kAddress = "http://www.example.com/lirel/";

struct CommandCase {
    const char* name;
    std::string registryCommand;
    bool cp936;
    std::string expected;
};

TEST(MakeOpenCommand, CutsAtThePlaceholderAndAppendsTheAddress) {
    const std::vector<CommandCase> cases = {
        {"quoted placeholder between options leaves two blanks",
         "\"C:\\Program Files\\Web\\web.exe\" -nohome \"%1\" -new", true,
         "\"C:\\Program Files\\Web\\web.exe\" -nohome  " + kAddress},
        {"bare placeholder is cut at the percent sign", "C:\\web.exe -url %1 -new", true,
         "C:\\web.exe -url  " + kAddress},
        {"bare placeholder at the very start leaves only the blank", "%1", true, " " + kAddress},
        {"no placeholder keeps the whole command", "C:\\web.exe -new", true,
         "C:\\web.exe -new " + kAddress},
        {"empty command", "", true, " " + kAddress},
        {"quoted placeholder wins over an earlier bare one", "web.exe %1 \"%1\"", true,
         "web.exe %1  " + kAddress},
        {"a lone percent sign is no placeholder", "web.exe 100% -x", true,
         "web.exe 100% -x " + kAddress},
        {"quote as trail byte of a double-byte character is no opening quote",
         "web.exe \x81\"%1\" -x", true, "web.exe \x81\" " + kAddress},
        {"the same bytes in a single-byte code page do hold the quoted placeholder",
         "web.exe \x81\"%1\" -x", false, "web.exe \x81 " + kAddress},
        {"percent as trail byte right before the quoted placeholder", "web.exe \x81%\"%1\" -x",
         true, "web.exe \x81% " + kAddress},
        {"two double-byte characters keep the quote on a boundary", "web.exe \x81\x81\"%1\"", true,
         "web.exe \x81\x81 " + kAddress},
        {"three lead bytes make the quote a trail byte", "web.exe \x81\x81\x81\"%1\"", true,
         "web.exe \x81\x81\x81\" " + kAddress},
    };
    for (const auto& c : cases) {
        const LeadBytes lead = c.cp936 ? LeadBytes::Cp936() : LeadBytes();
        const auto line = MakeOpenCommand(c.registryCommand, kAddress, lead);
        ASSERT_TRUE(line.has_value()) << c.name;
        EXPECT_EQ(*line, c.expected) << c.name;
    }
}

TEST(MakeOpenCommand, RefusesALineThatWouldNotFitTheBuffer) {
    const LeadBytes lead = LeadBytes::Cp936();
    // kept + blank + address + terminating zero must fit into the 520 bytes.
    const std::size_t room = kCommandBytes - 1 - 1 - kAddress.size();
    const std::string fits(room, 'c');
    const std::string tooLong(room + 1, 'c');

    const auto line = MakeOpenCommand(fits, kAddress, lead);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->size(), kCommandBytes - 1);
    EXPECT_FALSE(MakeOpenCommand(tooLong, kAddress, lead).has_value());
    EXPECT_FALSE(MakeOpenCommand(std::string(4000, 'c'), kAddress, lead).has_value());
    // An address alone too long for the buffer.
    EXPECT_FALSE(MakeOpenCommand("web.exe", std::string(kCommandBytes, 'a'), lead).has_value());
    // What the cut drops does not count.
    const auto cut = MakeOpenCommand("web.exe \"%1\"" + std::string(1000, 'o'), kAddress, lead);
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(*cut, "web.exe  " + kAddress);
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
    for (int taken : {0, 2, 3, 5, 8, 11, 26, 27, 28, 29, 30, 31, 32}) {
        EXPECT_NE(kOpenCommandTooLong, taken);
    }
}

// The queried bytes live in a heap block of exactly the reported size, so a read past them
// is caught by the address sanitizer.
struct ValueCase {
    const char* name;
    long queryResult;
    std::string written; // bytes the query wrote; the reported size is their count
    std::size_t reportedSize;
    std::size_t outBytes;
    long expectedResult;
    std::string expectedOut;
};

TEST(TakeRegValue, CopiesOnlyAUsableValueAndNeverPastTheBuffers) {
    const std::vector<ValueCase> cases = {
        {"terminated value", kRegSuccess, std::string("htmlfile\0", 9), 9, kCommandBytes,
         kRegSuccess, "htmlfile"},
        {"value stored without its terminating zero", kRegSuccess, "htmlfile", 8, kCommandBytes,
         kRegSuccess, "htmlfile"},
        {"bytes after the terminating zero are ignored", kRegSuccess,
         std::string("ab\0garbage", 10), 10, kCommandBytes, kRegSuccess, "ab"},
        {"absent value", kRegFileNotFound, "", 0, kCommandBytes, kRegFileNotFound, ""},
        {"value longer than the query buffer", kRegMoreData, std::string(260, 'G'), 300,
         kCommandBytes, kRegMoreData, ""},
        {"a size beyond the query buffer reported as success", kRegSuccess, std::string(260, 'G'),
         261, kCommandBytes, kRegMoreData, ""},
        {"the whole query buffer without a terminating zero", kRegSuccess, std::string(260, 'v'),
         260, kCommandBytes, kRegSuccess, std::string(260, 'v')},
        {"empty value", kRegSuccess, std::string("\0", 1), 1, kCommandBytes, kRegFileNotFound, ""},
        {"nothing written", kRegSuccess, "", 0, kCommandBytes, kRegFileNotFound, ""},
        {"output too small for the value", kRegSuccess, std::string("htmlfile\0", 9), 9, 8,
         kRegMoreData, ""},
        {"output just large enough", kRegSuccess, std::string("htmlfile\0", 9), 9, 9, kRegSuccess,
         "htmlfile"},
    };
    for (const auto& c : cases) {
        std::vector<char> queried(c.written.begin(), c.written.end());
        std::vector<char> out(c.outBytes + 1, 'X');
        const long result = TakeRegValue(c.queryResult, queried.empty() ? nullptr : queried.data(),
                                         c.reportedSize, out.data(), c.outBytes);
        EXPECT_EQ(result, c.expectedResult) << c.name;
        EXPECT_EQ(std::string(out.data()), c.expectedOut) << c.name;
        EXPECT_EQ(out[c.outBytes], 'X') << c.name << ": wrote past the output";
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
