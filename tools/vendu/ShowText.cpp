#include "tools/vendu/ShowText.h"

#include "text/CodePage.h"
#include "text/Convert.h"

#include <cstdio>

namespace vendu {

namespace {

void AppendHexEscape(std::string& out, unsigned char byte) {
    char escape[5];
    std::snprintf(escape, sizeof escape, "\\x%02X", byte);
    out += escape;
}

vorna::Converted<std::string> ToUtf8(std::string_view cp936) {
    return vorna::Convert(cp936, vorna::Encoding::cp936, vorna::Encoding::utf8);
}

} // namespace

std::string ShowText(std::string_view s, bool raw, bool* invalid) {
    std::string out;
    std::string run; // characters waiting to be converted together
    auto flush = [&] {
        if (run.empty())
            return;
        if (raw) {
            out += run;
        } else if (vorna::Converted<std::string> whole = ToUtf8(run); whole.ok) {
            out += whole.text;
        } else {
            for (std::size_t i = 0; i < run.size();) {
                const std::size_t length = vorna::Cp936CharLength(run, i);
                if (vorna::Converted<std::string> one = ToUtf8(run.substr(i, length)); one.ok) {
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
            const std::size_t length = vorna::Cp936CharLength(s, i);
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
        if (b >= 0x20 && b != 0x7F && b != '\\') {
            run += static_cast<char>(b);
            continue;
        }
        flush();
        switch (b) {
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

std::string Excerpt(std::string_view text) {
    constexpr std::size_t kExcerptBytes = 40;
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    bool cut = false;
    if (text.size() > kExcerptBytes) {
        std::size_t end = 0;
        while (end < text.size()) {
            const std::size_t step = vorna::Cp936CharLength(text, end);
            if (end + (step ? step : 1) > kExcerptBytes)
                break;
            end += step ? step : 1;
        }
        text = text.substr(0, end);
        cut = true;
    }
    return "\"" + ShowText(text, false) + (cut ? "...\"" : "\"");
}

} // namespace vendu
