#pragma once
// The options a user may switch on in Lirel.ini, and the place the window is left at, as the
// file's text holds them. Everything is off, or the described value, unless the file says
// otherwise; what the file says in a form not understood is ignored and named.
#include "ui/options/HotKey.h"
#include "ui/options/Placement.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorna {

inline constexpr char kOptionsSection[] = "Options";
inline constexpr char kPlacementSection[] = "Placement";

struct Options {
    bool searchAsYouType = false;
    bool reloadOnChange = false;
    bool rememberPlacement = false;
    bool startWithWindows = false;
    // None: the described Ctrl + keypad 1 and Ctrl + keypad 0.
    std::optional<HotKey> showHideHotkey;
    std::optional<HotKey> closeHotkey;

    bool operator==(const Options& other) const;
    bool operator!=(const Options& other) const { return !(*this == other); }
};

// What a read of the file's text gives.
struct OptionsRead {
    Options options;
    Placement placement;
    // The lines of [Options] and [Placement] that were not understood, as the file writes
    // them (blanks trimmed): an unknown key, a value out of its form or range.
    std::vector<std::string> ignored;
};

// Booleans are 1 or 0 (also true/false, yes/no, on/off); a hotkey is empty (the described
// one) or in ParseHotKey's form; Left and Top are whole numbers of pixels; Opacity 10..255.
// For a key written twice the first counts, as the system's own reader takes it; the second
// is named.
OptionsRead ReadOptions(std::string_view text);

// The text with every key of [Options] written from options (booleans as 1 or 0, a described
// hotkey as an empty value), the rest kept as it was.
std::string WriteOptions(std::string_view text, const Options& options);

// The text with [Placement] written from placement, the rest kept as it was.
std::string WritePlacement(std::string_view text, const Placement& placement);

} // namespace vorna
