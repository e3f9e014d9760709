#include "tools/vendu/ShowText.h"

#include "text/CodePage.h"
#include "text/Convert.h"
#include "text/FileEncoding.h"

#include <cstdio>

namespace vendu {

namespace {

void AppendHexEscape(std::string& out, unsigned char byte) {
    char escape[5];
    std::snprintf(escape, sizeof escape, "\\x%02X", byte);
    out += escape;
}

vorna::Converted<std::string> ToUtf8(std::string_view text, vorna::Encoding encoding) {
    return vorna::Convert(text, encoding, vorna::Encoding::utf8);
}

// Which control bytes stay as they are; the others are escaped.
enum class Style {
    escaped, // C escapes for line breaks, tabs and the backslash
    oneLine, // tabs kept (line breaks are gone before)
    whole,   // line breaks and tabs kept
};

std::string Show(std::string_view s, bool raw, bool* invalid, Style style,
                 vorna::Encoding encoding) {
    std::string out;
    std::string run; // characters waiting to be converted together
    auto flush = [&] {
        if (run.empty())
            return;
        if (raw) {
            out += run;
        } else if (vorna::Converted<std::string> whole = ToUtf8(run, encoding); whole.ok) {
            out += whole.text;
        } else {
            for (std::size_t i = 0; i < run.size();) {
                const std::size_t length = vorna::CharLength(encoding, run, i);
                if (vorna::Converted<std::string> one = ToUtf8(run.substr(i, length), encoding);
                    one.ok) {
                    out += one.text;
                } else {
                    for (std::size_t k = 0; k < length; ++k)
                        AppendHexEscape(out, static_cast<unsigned char>(run[i + k]));
                    if (invalid)
                        *invalid = true;
                }
                i += length;
            }
        }
        run.clear();
    };
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b >= 0x80) {
            const std::size_t length = vorna::CharLength(encoding, s, i);
            if (length > 0 || raw) {
                run.append(s.substr(i, length > 0 ? length : 1));
                i += length > 0 ? length : 1;
                continue;
            }
            flush();
            AppendHexEscape(out, b);
            if (invalid)
                *invalid = true;
            ++i;
            continue;
        }
        ++i;
        const bool kept = (b >= 0x20 && b != 0x7F && (b != '\\' || style != Style::escaped)) ||
                          (b == '\t' && style != Style::escaped) ||
                          ((b == '\r' || b == '\n') && style == Style::whole);
        if (kept) {
            run += static_cast<char>(b);
            continue;
        }
        flush();
        switch (style == Style::escaped ? b : 0) {
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            AppendHexEscape(out, b);
        }
    }
    flush();
    return out;
}

} // namespace

std::string ShowText(std::string_view s, bool raw, bool* invalid, vorna::Encoding encoding) {
    return Show(s, raw, invalid, Style::escaped, encoding);
}

std::string WholeText(std::string_view s, bool raw, bool* invalid, vorna::Encoding encoding) {
    return Show(s, raw, invalid, Style::whole, encoding);
}

std::string OneLine(std::string_view s, const std::vector<Mark>& marks, const Marking& marking,
                    bool raw, bool* invalid, vorna::Encoding encoding) {
    // The line-break runs become spaces first, each byte remembering whether it is marked.
    std::string flat;
    std::vector<bool> marked;
    std::size_t m = 0; // the first mark that does not end before i
    bool pendingSpace = false, spaceMarked = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        while (m < marks.size() && marks[m].end <= i)
            ++m;
        const bool on = m < marks.size() && marks[m].begin <= i;
        if (s[i] == '\r' || s[i] == '\n') {
            spaceMarked = (pendingSpace && spaceMarked) || on;
            pendingSpace = !flat.empty();
            continue;
        }
        if (pendingSpace) {
            flat += ' ';
            marked.push_back(spaceMarked);
        }
        pendingSpace = spaceMarked = false;
        flat += s[i];
        marked.push_back(on);
    }
    std::size_t at = 0, end = flat.size();
    while (at < end && flat[at] == ' ')
        ++at;
    while (end > at && flat[end - 1] == ' ')
        --end;
    std::string out;
    while (at < end) {
        std::size_t stop = at;
        while (stop < end && marked[stop] == marked[at])
            ++stop;
        const std::string shown = Show(std::string_view(flat).substr(at, stop - at), raw, invalid,
                                       Style::oneLine, encoding);
        out += marked[at] ? marking.on + shown + marking.off : shown;
        at = stop;
    }
    return out;
}

std::string Excerpt(std::string_view text, bool more, vorna::Encoding encoding) {
    constexpr std::size_t kExcerptBytes = 40;
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!more && !text.empty() && blank(text.back()))
        text.remove_suffix(1);
    bool cut = false;
    if (more || text.size() > kExcerptBytes) {
        std::size_t end = 0;
        while (end < text.size()) {
            const std::size_t step = vorna::CharLength(encoding, text, end);
            if (end + (step ? step : 1) > kExcerptBytes)
                break;
            end += step ? step : 1;
        }
        text = text.substr(0, end);
        cut = true;
    }
    return "\"" + ShowText(text, false, nullptr, encoding) + (cut ? "...\"" : "\"");
}

std::string HexBytes(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size() && i < 8; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%s%02X", i ? " " : "",
                      static_cast<unsigned char>(bytes[i]));
        out += hex;
    }
    return bytes.size() > 8 ? out + " ..." : out;
}

} // namespace vendu
