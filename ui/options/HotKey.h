#pragma once
// A global hotkey as the options file writes it: "Ctrl+Alt+L", "Ctrl+Num1", "Shift+F9".
// Portable: the modifier bits and key codes are the values RegisterHotKey takes, written out
// here so the parser is tested on every platform.
#include <optional>
#include <string>
#include <string_view>

namespace vorna {

// Modifier bits, as RegisterHotKey's MOD_ALT, MOD_CONTROL, MOD_SHIFT and MOD_WIN.
inline constexpr unsigned kModAlt = 0x1;
inline constexpr unsigned kModControl = 0x2;
inline constexpr unsigned kModShift = 0x4;
inline constexpr unsigned kModWin = 0x8;

// The virtual keys of the two hotkeys a user who changes nothing gets: Ctrl + keypad 1 and
// Ctrl + keypad 0.
inline constexpr unsigned kKeyNumpad0 = 0x60;
inline constexpr unsigned kKeyNumpad1 = 0x61;

struct HotKey {
    unsigned modifiers = 0; // kMod* bits
    unsigned virtualKey = 0;

    bool operator==(const HotKey& other) const {
        return modifiers == other.modifiers && virtualKey == other.virtualKey;
    }
    bool operator!=(const HotKey& other) const { return !(*this == other); }
};

// Modifiers (Ctrl or Control, Alt, Shift, Win, each at most once, in any order) and one key,
// joined by "+"; case and blanks around the parts do not matter. Keys: A-Z, 0-9, F1-F24,
// Num0-Num9, the keypad's NumAdd, NumSubtract, NumMultiply, NumDivide, NumDecimal, and named
// keys such as Space, Enter, Tab, Esc, Insert, Delete, Home, End, PageUp, PageDown, Left, Up,
// Right, Down, Pause, PrintScreen, Backspace, and the punctuation keys (Minus or "-", Comma or
// ",", ...). None for anything else, and for a combination that is not Usable.
std::optional<HotKey> ParseHotKey(std::string_view text);

// The written form ParseHotKey reads back: modifiers in the order Ctrl, Alt, Shift, Win, then
// the key's first name. None for a key without a name.
std::optional<std::string> FormatHotKey(const HotKey& hotKey);

// A system-wide hotkey must not take a key away from typing: it needs Ctrl, Alt or Win,
// except on F1-F24. Shift alone gives capital letters and punctuation.
bool IsUsable(const HotKey& hotKey);

} // namespace vorna
