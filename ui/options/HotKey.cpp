#include "ui/options/HotKey.h"

#include "ui/options/IniText.h"

#include <cstddef>
#include <vector>

namespace vorna {
namespace {

struct Name {
    std::string_view name;
    unsigned value;
};

constexpr Name kModifiers[] = {
    {"Ctrl", kModControl}, {"Control", kModControl}, {"Alt", kModAlt},
    {"Shift", kModShift},  {"Win", kModWin},
};

// Keys with a name of their own; the first name of a key is the one written. The punctuation
// keys are named after what they give on a US layout, as the key codes are.
constexpr Name kNamedKeys[] = {
    {"Space", 0x20},     {"Enter", 0x0D},       {"Return", 0x0D},       {"Tab", 0x09},
    {"Esc", 0x1B},       {"Escape", 0x1B},      {"Backspace", 0x08},    {"Insert", 0x2D},
    {"Ins", 0x2D},       {"Delete", 0x2E},      {"Del", 0x2E},          {"Home", 0x24},
    {"End", 0x23},       {"PageUp", 0x21},      {"PgUp", 0x21},         {"PageDown", 0x22},
    {"PgDn", 0x22},      {"Left", 0x25},        {"Up", 0x26},           {"Right", 0x27},
    {"Down", 0x28},      {"Pause", 0x13},       {"PrintScreen", 0x2C},  {"NumMultiply", 0x6A},
    {"NumAdd", 0x6B},    {"NumSubtract", 0x6D}, {"NumDecimal", 0x6E},   {"NumDivide", 0x6F},
    {"Semicolon", 0xBA}, {";", 0xBA},           {"Equals", 0xBB},       {"=", 0xBB},
    {"Comma", 0xBC},     {",", 0xBC},           {"Minus", 0xBD},        {"-", 0xBD},
    {"Period", 0xBE},    {".", 0xBE},           {"Slash", 0xBF},        {"/", 0xBF},
    {"Backquote", 0xC0}, {"`", 0xC0},           {"LeftBracket", 0xDB},  {"[", 0xDB},
    {"Backslash", 0xDC}, {"\\", 0xDC},          {"RightBracket", 0xDD}, {"]", 0xDD},
    {"Quote", 0xDE},     {"'", 0xDE},
};

constexpr unsigned kKeyF1 = 0x70;
constexpr unsigned kFunctionKeys = 24;

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// A number of 1 or 2 digits without a leading zero, within [low, high].
std::optional<unsigned> SmallNumber(std::string_view digits, unsigned low, unsigned high) {
    if (digits.empty() || digits.size() > 2 || (digits.size() == 2 && digits[0] == '0'))
        return std::nullopt;
    unsigned n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    if (n < low || n > high)
        return std::nullopt;
    return n;
}

std::optional<unsigned> KeyOfName(std::string_view name) {
    if (name.size() == 1) {
        const char c = name[0];
        if (c >= '0' && c <= '9')
            return static_cast<unsigned>(c);
        if (Lower(c) >= 'a' && Lower(c) <= 'z')
            return static_cast<unsigned>(Lower(c) - 'a' + 'A');
    }
    if (name.size() >= 2 && Lower(name[0]) == 'f') {
        if (std::optional<unsigned> n = SmallNumber(name.substr(1), 1, kFunctionKeys))
            return kKeyF1 + *n - 1;
    }
    if (name.size() == 4 && SameName(name.substr(0, 3), "Num")) {
        if (std::optional<unsigned> n = SmallNumber(name.substr(3), 0, 9))
            return kKeyNumpad0 + *n;
    }
    for (const Name& key : kNamedKeys) {
        if (SameName(name, key.name))
            return key.value;
    }
    return std::nullopt;
}

std::optional<std::string> NameOfKey(unsigned key) {
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return std::string(1, static_cast<char>(key));
    if (key >= kKeyF1 && key < kKeyF1 + kFunctionKeys)
        return "F" + std::to_string(key - kKeyF1 + 1);
    if (key >= kKeyNumpad0 && key <= kKeyNumpad0 + 9)
        return "Num" + std::to_string(key - kKeyNumpad0);
    for (const Name& named : kNamedKeys) {
        if (named.value == key)
            return std::string(named.name);
    }
    return std::nullopt;
}

} // namespace

std::optional<HotKey> ParseHotKey(std::string_view text) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t plus = text.find('+');
        parts.push_back(Trimmed(text.substr(0, plus)));
        if (plus == std::string_view::npos)
            break;
        text.remove_prefix(plus + 1);
    }
    HotKey hotKey;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        unsigned bit = 0;
        for (const Name& modifier : kModifiers) {
            if (SameName(parts[i], modifier.name))
                bit = modifier.value;
        }
        if (bit == 0 || (hotKey.modifiers & bit))
            return std::nullopt;
        hotKey.modifiers |= bit;
    }
    const std::optional<unsigned> key = KeyOfName(parts.back());
    if (!key)
        return std::nullopt;
    hotKey.virtualKey = *key;
    if (!IsUsable(hotKey))
        return std::nullopt;
    return hotKey;
}

std::optional<std::string> FormatHotKey(const HotKey& hotKey) {
    std::optional<std::string> key = NameOfKey(hotKey.virtualKey);
    if (!key)
        return std::nullopt;
    std::string text;
    for (const Name& modifier : {kModifiers[0], kModifiers[2], kModifiers[3], kModifiers[4]}) {
        if (hotKey.modifiers & modifier.value)
            text.append(modifier.name).append("+");
    }
    return text + *key;
}

bool IsUsable(const HotKey& hotKey) {
    if (hotKey.virtualKey == 0 ||
        (hotKey.modifiers & ~(kModAlt | kModControl | kModShift | kModWin)))
        return false;
    const bool functionKey =
        hotKey.virtualKey >= kKeyF1 && hotKey.virtualKey < kKeyF1 + kFunctionKeys;
    return functionKey || (hotKey.modifiers & (kModControl | kModAlt | kModWin)) != 0;
}

} // namespace vorna
