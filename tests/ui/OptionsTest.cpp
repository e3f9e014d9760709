// The options' window-free pieces: the hotkey form, the settings text, what Lirel.ini says and
// where the window may come back.
#include "ui/options/HotKey.h"
#include "ui/options/IniText.h"
#include "ui/options/Options.h"
#include "ui/options/Placement.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vorna {
namespace {

constexpr unsigned kCtrl = kModControl;
constexpr unsigned kAlt = kModAlt;
constexpr unsigned kShift = kModShift;
constexpr unsigned kWin = kModWin;

TEST(HotKey, ParsesModifiersAndAKeyAndWritesThemBackInOneOrder) {
    struct Case {
        const char* text;
        unsigned modifiers;
        unsigned key;
        const char* written;
    } cases[] = {
        {"Ctrl+Alt+L", kCtrl | kAlt, 'L', "Ctrl+Alt+L"},
        {" alt + control + l ", kCtrl | kAlt, 'L', "Ctrl+Alt+L"},
        {"Win+Shift+7", kWin | kShift, '7', "Shift+Win+7"},
        {"Ctrl+Num1", kCtrl, 0x61, "Ctrl+Num1"},
        {"ctrl+num0", kCtrl, 0x60, "Ctrl+Num0"},
        {"F1", 0, 0x70, "F1"},
        {"Shift+F24", kShift, 0x87, "Shift+F24"},
        {"Ctrl+Shift+Alt+Win+PgDn", kCtrl | kAlt | kShift | kWin, 0x22,
         "Ctrl+Alt+Shift+Win+PageDown"},
        {"Alt+Space", kAlt, 0x20, "Alt+Space"},
        {"Ctrl+Escape", kCtrl, 0x1B, "Ctrl+Esc"},
        {"Ctrl+-", kCtrl, 0xBD, "Ctrl+Minus"},
        {"Ctrl+\\", kCtrl, 0xDC, "Ctrl+Backslash"},
        {"Alt+NumAdd", kAlt, 0x6B, "Alt+NumAdd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<HotKey> parsed = ParseHotKey(c.text);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->modifiers, c.modifiers);
        EXPECT_EQ(parsed->virtualKey, c.key);
        EXPECT_EQ(FormatHotKey(*parsed), std::optional<std::string>(c.written));
        EXPECT_EQ(ParseHotKey(c.written), parsed);
    }
}

TEST(HotKey, RefusesWhatIsNoHotkeyOrWouldTakeAKeyFromTyping) {
    for (const char* text :
         {"",         "+",        "Ctrl+",   "Ctrl",    "+L",       "Ctrl++L",     "Ctrl+Ctrl+L",
          "Ctrl+LL",  "Ctrl+Alt", "Hyper+L", "Ctrl+F0", "Ctrl+F25", "Ctrl+F01",    "Ctrl+Num10",
          "Ctrl+Num", "Ctrl+é",   "L",       "Shift+L", "Num1",     "Shift+Space", "Ctrl+L+Alt"}) {
        EXPECT_EQ(ParseHotKey(text), std::nullopt) << text;
    }
    EXPECT_EQ(FormatHotKey(HotKey{kCtrl, 0xFF}), std::nullopt);
    EXPECT_FALSE(IsUsable(HotKey{kCtrl, 0}));
    EXPECT_FALSE(IsUsable(HotKey{kCtrl | 0x4000, 'L'}));
}

TEST(IniText, ReadsTheLinesOfASectionByNameWhateverTheCase) {
    const std::string text = "; a comment\r\n"
                             "Top=1\r\n"
                             "[options]\r\n"
                             "  Key = a value \r\n"
                             "# another comment\r\n"
                             "no equals sign\r\n"
                             "[Other]\r\n"
                             "Key=other\r\n"
                             "[ OPTIONS ]\n"
                             "Empty=";
    const std::vector<IniLine> lines = SectionLines(text, "Options");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].key, "Key");
    EXPECT_EQ(lines[0].value, "a value");
    EXPECT_FALSE(lines[1].hasValue);
    EXPECT_EQ(lines[1].key, "no equals sign");
    EXPECT_EQ(lines[2].key, "Empty");
    EXPECT_TRUE(lines[2].hasValue);
    EXPECT_EQ(lines[2].value, "");
}

TEST(IniText, ChangesOneValueAndKeepsEveryOtherLine) {
    struct Case {
        const char* name;
        std::string text;
        std::optional<std::string_view> value;
        std::string expected;
    } cases[] = {
        {"an empty text", "", "1", "[Options]\r\nKey=1\r\n"},
        {"replaced in place", "; keep\r\n[Options]\r\nA=0\r\nkey = 0\r\nB=0\r\n", "1",
         "; keep\r\n[Options]\r\nA=0\r\nKey=1\r\nB=0\r\n"},
        {"added after the section's last line, before the blank ones",
         "[Options]\nA=0\n\n[Other]\nKey=0\n", "1", "[Options]\nA=0\nKey=1\n\n[Other]\nKey=0\n"},
        {"a last line without a break", "[Options]\r\nA=0", "1", "[Options]\r\nA=0\r\nKey=1\r\n"},
        {"a new section after the others", "[Other]\r\nKey=0", "1",
         "[Other]\r\nKey=0\r\n[Options]\r\nKey=1\r\n"},
        {"later lines of the key dropped", "[Options]\r\nKey=0\r\nKey=2\r\n[options]\r\nKey=3\r\n",
         "1", "[Options]\r\nKey=1\r\n[options]\r\n"},
        {"removed", "[Options]\r\nKey=0\r\nA=0\r\n", std::nullopt, "[Options]\r\nA=0\r\n"},
        {"nothing to remove", "[Other]\r\nKey=0\r\n", std::nullopt, "[Other]\r\nKey=0\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WithValue(c.text, "Options", "Key", c.value), c.expected) << c.name;
}

TEST(Options, AMissingFileOrKeyIsTheDescribedProgram) {
    const OptionsRead read = ReadOptions("");
    EXPECT_EQ(read.options, Options{});
    EXPECT_FALSE(read.options.searchAsYouType || read.options.reloadOnChange ||
                 read.options.rememberPlacement || read.options.startWithWindows);
    EXPECT_FALSE(read.options.showHideHotkey || read.options.closeHotkey);
    EXPECT_FALSE(read.placement.corner || read.placement.alpha);
    EXPECT_TRUE(read.ignored.empty());
}

TEST(Options, ReadsEachKeyAndNamesWhatItDoesNotUnderstand) {
    const std::string text = "[Options]\r\n"
                             "SearchAsYouType=1\r\n"
                             "reloadonchange = Yes\r\n"
                             "RememberPlacement=2\r\n"
                             "StartWithWindows=off\r\n"
                             "ShowHideHotkey=Ctrl+Alt+L\r\n"
                             "CloseHotkey=Ctrl+\r\n"
                             "SearchAsYouType=0\r\n"
                             "Unknown=1\r\n"
                             "garbage\r\n"
                             "[Placement]\r\n"
                             "Left=-1280\r\n"
                             "Top=20\r\n"
                             "Opacity=9\r\n"
                             "[Elsewhere]\r\n"
                             "Whatever=x\r\n";
    const OptionsRead read = ReadOptions(text);
    EXPECT_TRUE(read.options.searchAsYouType);
    EXPECT_TRUE(read.options.reloadOnChange);
    EXPECT_FALSE(read.options.rememberPlacement);
    EXPECT_FALSE(read.options.startWithWindows);
    EXPECT_EQ(read.options.showHideHotkey, (HotKey{kCtrl | kAlt, 'L'}));
    EXPECT_EQ(read.options.closeHotkey, std::nullopt);
    ASSERT_TRUE(read.placement.corner);
    EXPECT_EQ(read.placement.corner->left, -1280);
    EXPECT_EQ(read.placement.corner->top, 20);
    EXPECT_EQ(read.placement.alpha, std::nullopt);
    const std::vector<std::string> ignored = {
        "RememberPlacement=2", "CloseHotkey=Ctrl+", "SearchAsYouType=0",
        "Unknown=1",           "garbage",           "Opacity=9"};
    EXPECT_EQ(read.ignored, ignored);
}

TEST(Options, PlacementNeedsBothCoordinatesInRange) {
    struct Case {
        const char* text;
        bool corner;
        std::optional<int> alpha;
    } cases[] = {
        {"[Placement]\nLeft=5\nTop=6\nOpacity=255", true, 255},
        {"[Placement]\nLeft=5\nOpacity=10", false, 10},
        {"[Placement]\nLeft=5\nTop=x6\nOpacity=256", false, std::nullopt},
        {"[Placement]\nLeft=-1000001\nTop=0", false, std::nullopt},
        {"[Placement]\nLeft=99999999999\nTop=0", false, std::nullopt},
        {"[Placement]\nLeft=-\nTop=0", false, std::nullopt},
    };
    for (const Case& c : cases) {
        const OptionsRead read = ReadOptions(c.text);
        EXPECT_EQ(read.placement.corner.has_value(), c.corner) << c.text;
        EXPECT_EQ(read.placement.alpha, c.alpha) << c.text;
    }
}

TEST(Options, WritesEveryOptionAndReadsItBack) {
    Options options;
    options.reloadOnChange = true;
    options.startWithWindows = true;
    options.closeHotkey = HotKey{kShift | kWin, 0x70};
    const std::string kept = "; mine\r\n[Options]\r\nUnknown=1\r\n";
    const std::string written = WriteOptions(kept, options);
    EXPECT_EQ(written, "; mine\r\n[Options]\r\nUnknown=1\r\nSearchAsYouType=0\r\n"
                       "ReloadOnChange=1\r\nShowHideHotkey=\r\nCloseHotkey=Shift+Win+F1\r\n"
                       "RememberPlacement=0\r\nStartWithWindows=1\r\n");
    const OptionsRead read = ReadOptions(written);
    EXPECT_EQ(read.options, options);
    EXPECT_EQ(read.ignored, std::vector<std::string>{"Unknown=1"});

    Placement placement;
    placement.corner = Placement::Corner{-7, 3};
    placement.alpha = 200;
    const OptionsRead back = ReadOptions(WritePlacement(written, placement));
    EXPECT_EQ(back.options, options);
    ASSERT_TRUE(back.placement.corner);
    EXPECT_EQ(back.placement.corner->left, -7);
    EXPECT_EQ(back.placement.corner->top, 3);
    EXPECT_EQ(back.placement.alpha, 200);
}

TEST(Placement, AWindowComesBackWhereAGoodPartOfItIsOnAScreen) {
    const std::vector<ScreenRect> screens = {{0, 0, 1920, 1040}, {-1280, 200, 0, 1224}};
    struct Case {
        int left;
        int top;
        bool reachable;
    } cases[] = {
        {100, 100, true},
        {1920 - kReachablePixels, 0, true},      // just enough on the right edge
        {1920 - kReachablePixels + 1, 0, false}, // one pixel less
        {-752 + kReachablePixels, 1040 - kReachablePixels, true},
        {-1280, -600, false}, // above the left screen, beside the right one's top
        {-1000, 1224 - 47, false},
        {-1000000, -1000000, false},
        {2147483000, 2147483000, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsReachable({c.left, c.top}, 752, 572, screens), c.reachable)
            << c.left << ", " << c.top;
    }
    EXPECT_FALSE(IsReachable({0, 0}, 752, 572, {}));
    // A window smaller than the square needs to be whole on the screen.
    EXPECT_TRUE(IsReachable({0, 0}, 20, 20, screens));
    EXPECT_FALSE(IsReachable({1901, 0}, 20, 20, screens));
}

} // namespace
} // namespace vorna
