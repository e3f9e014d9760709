#pragma once
// The text of a settings file in the familiar form: "[Section]" lines, "Key=Value" lines below
// them, ";" or "#" comments. Names compare without regard to ASCII case, as the system's own
// settings files do; blanks around names and values do not count. Changing a value keeps every
// other line as it was, comments and unknown keys included.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorna {

// One line of a section other than a blank or a comment. A line without "=" has hasValue
// false and its whole text in key.
struct IniLine {
    std::string key;
    std::string value;
    bool hasValue = true;
};

// The lines of every section of that name, in file order.
std::vector<IniLine> SectionLines(std::string_view text, std::string_view section);

// The text with key's line in section set to "key=value": the first such line is replaced,
// later ones of the same key are dropped; a missing key is added at the end of the section's
// last block, a missing section at the end of the text. value none: every line of the key is
// dropped. New lines end the way the text's lines do (CR LF for a text without any).
std::string WithValue(std::string_view text, std::string_view section, std::string_view key,
                      std::optional<std::string_view> value);

// s without the blanks (spaces and tabs) at its two ends.
std::string_view Trimmed(std::string_view s);

// Whether two names are the same, ASCII case aside.
bool SameName(std::string_view a, std::string_view b);

} // namespace vorna
