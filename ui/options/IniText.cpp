#include "ui/options/IniText.h"

#include <cstddef>

namespace vorna {
namespace {

// A line with its line break (none on a last line without one).
struct RawLine {
    std::string_view content;
    std::string_view lineBreak;
};

std::vector<RawLine> SplitLines(std::string_view text) {
    std::vector<RawLine> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            lines.push_back({text, {}});
            break;
        }
        const std::size_t cr = end > 0 && text[end - 1] == '\r' ? 1 : 0;
        lines.push_back({text.substr(0, end - cr), text.substr(end - cr, cr + 1)});
        text.remove_prefix(end + 1);
    }
    return lines;
}

enum class Kind { blank, section, entry };

struct Parsed {
    Kind kind = Kind::blank;
    std::string_view name; // the section's or the key's
    std::string_view value;
    bool hasValue = false;
};

Parsed Parse(std::string_view content) {
    const std::string_view line = Trimmed(content);
    Parsed parsed;
    if (line.empty() || line.front() == ';' || line.front() == '#')
        return parsed;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
        parsed.kind = Kind::section;
        parsed.name = Trimmed(line.substr(1, line.size() - 2));
        return parsed;
    }
    parsed.kind = Kind::entry;
    const std::size_t equals = line.find('=');
    parsed.hasValue = equals != std::string_view::npos;
    parsed.name = parsed.hasValue ? Trimmed(line.substr(0, equals)) : line;
    if (parsed.hasValue)
        parsed.value = Trimmed(line.substr(equals + 1));
    return parsed;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return true;
}

std::vector<IniLine> SectionLines(std::string_view text, std::string_view section) {
    std::vector<IniLine> found;
    bool inside = false;
    for (const RawLine& raw : SplitLines(text)) {
        const Parsed line = Parse(raw.content);
        if (line.kind == Kind::section)
            inside = SameName(line.name, section);
        else if (line.kind == Kind::entry && inside)
            found.push_back({std::string(line.name), std::string(line.value), line.hasValue});
    }
    return found;
}

std::string WithValue(std::string_view text, std::string_view section, std::string_view key,
                      std::optional<std::string_view> value) {
    const std::vector<RawLine> lines = SplitLines(text);
    std::string_view lineBreak = "\r\n";
    for (const RawLine& raw : lines) {
        if (!raw.lineBreak.empty()) {
            lineBreak = raw.lineBreak;
            break;
        }
    }
    const std::string newLine =
        value ? std::string(key) + "=" + std::string(*value) : std::string();

    // Kept lines; insertAt is where a new key goes: after the last entry (or the header) of
    // the section's last block.
    std::vector<RawLine> kept;
    std::optional<std::size_t> insertAt;
    bool inside = false;
    bool replaced = false;
    for (const RawLine& raw : lines) {
        const Parsed line = Parse(raw.content);
        if (line.kind == Kind::section)
            inside = SameName(line.name, section);
        if (inside && line.kind == Kind::entry && SameName(line.name, key)) {
            if (replaced || !value)
                continue;
            kept.push_back({newLine, raw.lineBreak});
            replaced = true;
        } else {
            kept.push_back(raw);
        }
        if (inside && line.kind != Kind::blank)
            insertAt = kept.size();
    }

    std::string out;
    auto append = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            out.append(kept[i].content);
            // A last line without a break gets one when something follows it.
            out.append(kept[i].lineBreak.empty() && i + 1 < kept.size() ? lineBreak
                                                                        : kept[i].lineBreak);
        }
    };
    auto endLine = [&] {
        if (!out.empty() && out.back() != '\n')
            out.append(lineBreak);
    };
    if (replaced || !value) {
        append(0, kept.size());
    } else if (insertAt) {
        append(0, *insertAt);
        endLine();
        out.append(newLine).append(lineBreak);
        append(*insertAt, kept.size());
    } else {
        append(0, kept.size());
        endLine();
        out.append("[").append(section).append("]").append(lineBreak);
        out.append(newLine).append(lineBreak);
    }
    return out;
}

} // namespace vorna
