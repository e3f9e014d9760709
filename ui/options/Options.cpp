#include "ui/options/Options.h"

#include "ui/options/IniText.h"

#include <cstddef>
#include <utility>

namespace vorna {
namespace {

constexpr char kSearchAsYouType[] = "SearchAsYouType";
constexpr char kReloadOnChange[] = "ReloadOnChange";
constexpr char kShowHideHotkey[] = "ShowHideHotkey";
constexpr char kCloseHotkey[] = "CloseHotkey";
constexpr char kRememberPlacement[] = "RememberPlacement";
constexpr char kStartWithWindows[] = "StartWithWindows";
constexpr char kLeft[] = "Left";
constexpr char kTop[] = "Top";
constexpr char kOpacity[] = "Opacity";

constexpr int kAlphaMin = 10;
constexpr int kAlphaMax = 255;
// Far beyond any desktop, yet far from overflowing a window rectangle's arithmetic.
constexpr int kCoordinateLimit = 1000000;

std::optional<bool> Boolean(std::string_view value) {
    for (const char* yes : {"1", "true", "yes", "on"}) {
        if (SameName(value, yes))
            return true;
    }
    for (const char* no : {"0", "false", "no", "off"}) {
        if (SameName(value, no))
            return false;
    }
    return std::nullopt;
}

std::optional<int> Whole(std::string_view value, int low, int high) {
    const bool negative = !value.empty() && value.front() == '-';
    if (negative)
        value.remove_prefix(1);
    if (value.empty() || value.size() > 9)
        return std::nullopt;
    int n = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    n = negative ? -n : n;
    if (n < low || n > high)
        return std::nullopt;
    return n;
}

std::optional<std::optional<HotKey>> HotKeyValue(std::string_view value) {
    if (value.empty())
        return std::optional<HotKey>();
    if (std::optional<HotKey> hotKey = ParseHotKey(value))
        return hotKey;
    return std::nullopt;
}

std::string Written(const IniLine& line) {
    return line.hasValue ? line.key + "=" + line.value : line.key;
}

// Reads each line of a section through the reader of its key; a line no reader takes, whose
// value its reader refuses, or whose key came before, is named in ignored.
template <class Reader>
void ReadSection(const std::vector<IniLine>& lines, Reader read,
                 std::vector<std::string>& ignored) {
    std::vector<std::string> seen;
    for (const IniLine& line : lines) {
        bool again = false;
        for (const std::string& key : seen)
            again = again || SameName(key, line.key);
        seen.push_back(line.key);
        if (again || !line.hasValue || !read(line.key, line.value))
            ignored.push_back(Written(line));
    }
}

} // namespace

bool Options::operator==(const Options& other) const {
    return searchAsYouType == other.searchAsYouType && reloadOnChange == other.reloadOnChange &&
           rememberPlacement == other.rememberPlacement &&
           startWithWindows == other.startWithWindows && showHideHotkey == other.showHideHotkey &&
           closeHotkey == other.closeHotkey;
}

OptionsRead ReadOptions(std::string_view text) {
    OptionsRead read;
    Options& o = read.options;
    auto readOption = [&o](const std::string& key, const std::string& value) {
        struct Flag {
            const char* key;
            bool* flag;
        };
        for (const Flag& f :
             {Flag{kSearchAsYouType, &o.searchAsYouType}, Flag{kReloadOnChange, &o.reloadOnChange},
              Flag{kRememberPlacement, &o.rememberPlacement},
              Flag{kStartWithWindows, &o.startWithWindows}}) {
            if (!SameName(key, f.key))
                continue;
            const std::optional<bool> b = Boolean(value);
            if (b)
                *f.flag = *b;
            return b.has_value();
        }
        for (auto [name, hotKey] : {std::pair{kShowHideHotkey, &o.showHideHotkey},
                                    std::pair{kCloseHotkey, &o.closeHotkey}}) {
            if (!SameName(key, name))
                continue;
            const std::optional<std::optional<HotKey>> h = HotKeyValue(value);
            if (h)
                *hotKey = *h;
            return h.has_value();
        }
        return false;
    };
    ReadSection(SectionLines(text, kOptionsSection), readOption, read.ignored);

    std::optional<int> left;
    std::optional<int> top;
    auto readPlacement = [&](const std::string& key, const std::string& value) {
        struct Number {
            const char* key;
            std::optional<int>* number;
            int low;
            int high;
        };
        for (const Number& n : {Number{kLeft, &left, -kCoordinateLimit, kCoordinateLimit},
                                Number{kTop, &top, -kCoordinateLimit, kCoordinateLimit},
                                Number{kOpacity, &read.placement.alpha, kAlphaMin, kAlphaMax}}) {
            if (!SameName(key, n.key))
                continue;
            *n.number = Whole(value, n.low, n.high);
            return n.number->has_value();
        }
        return false;
    };
    ReadSection(SectionLines(text, kPlacementSection), readPlacement, read.ignored);
    if (left && top)
        read.placement.corner = Placement::Corner{*left, *top};
    return read;
}

std::string WriteOptions(std::string_view text, const Options& options) {
    std::string out(text);
    auto flag = [&out](const char* key, bool value) {
        out = WithValue(out, kOptionsSection, key, value ? "1" : "0");
    };
    auto hotKey = [&out](const char* key, const std::optional<HotKey>& value) {
        const std::optional<std::string> written = value ? FormatHotKey(*value) : std::nullopt;
        out = WithValue(out, kOptionsSection, key, written ? *written : std::string());
    };
    flag(kSearchAsYouType, options.searchAsYouType);
    flag(kReloadOnChange, options.reloadOnChange);
    hotKey(kShowHideHotkey, options.showHideHotkey);
    hotKey(kCloseHotkey, options.closeHotkey);
    flag(kRememberPlacement, options.rememberPlacement);
    flag(kStartWithWindows, options.startWithWindows);
    return out;
}

std::string WritePlacement(std::string_view text, const Placement& placement) {
    std::string out(text);
    auto number = [&out](const char* key, std::optional<int> value) {
        const std::string written = value ? std::to_string(*value) : std::string();
        out = WithValue(out, kPlacementSection, key,
                        value ? std::optional<std::string_view>(written) : std::nullopt);
    };
    number(kLeft, placement.corner ? std::optional<int>(placement.corner->left) : std::nullopt);
    number(kTop, placement.corner ? std::optional<int>(placement.corner->top) : std::nullopt);
    number(kOpacity, placement.alpha);
    return out;
}

} // namespace vorna
