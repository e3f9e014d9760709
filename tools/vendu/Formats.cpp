#include "tools/vendu/Formats.h"

#include <nlohmann/json.hpp>

#include <set>
#include <utility>

namespace vendu {

namespace {

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

using Json = nlohmann::ordered_json;

// Picks one text out of a row's members: name (text) or name_base64 (bytes), not both.
void TakeText(const Json& row, const std::string& name, std::string& text, bool& isBytes,
              std::string& error) {
    const std::string encoded = name + "_base64";
    const bool plain = row.contains(name), bytes = row.contains(encoded);
    if (!plain && !bytes) {
        error = "no \"" + name + "\" member";
        return;
    }
    if (plain && bytes) {
        error = "more than one \"" + name + "\" member";
        return;
    }
    const std::string& key = plain ? name : encoded;
    const Json& value = row.at(key);
    if (!value.is_string()) {
        error = "\"" + key + "\" must be a string";
        return;
    }
    isBytes = bytes;
    if (plain)
        text = value.get_ref<const std::string&>();
    else if (!Base64Decode(value.get_ref<const std::string&>(), text))
        error = "\"" + encoded + "\" is not valid base64";
}

// The library's words for a fault in one line, without its code and the line number, which
// is always 1 here.
std::string ParseProblem(const nlohmann::json::parse_error& e) {
    std::string what = e.what();
    const std::size_t code = what.find("] ");
    if (code != std::string::npos)
        what.erase(0, code + 2);
    const std::size_t line = what.find("line 1, ");
    if (line != std::string::npos)
        what.erase(line, 8);
    return what;
}

void WriteJson(const Json& value, std::size_t depth, bool oneLine, std::string& out) {
    if (value.is_object()) {
        out += '{';
        bool first = true;
        for (const auto& member : value.items()) {
            out += first ? "" : ", ";
            first = false;
            WriteJson(Json(member.key()), depth, oneLine, out);
            out += ": ";
            WriteJson(member.value(), depth, oneLine, out);
        }
        out += '}';
    } else if (value.is_array()) {
        bool objects = !oneLine && !value.empty();
        for (const Json& element : value)
            objects = objects && element.is_object();
        out += '[';
        bool first = true;
        for (const Json& element : value) {
            if (objects)
                out += (first ? "\n" : ",\n") + std::string(2 * (depth + 1), ' ');
            else
                out += first ? "" : ", ";
            first = false;
            WriteJson(element, depth + 1, oneLine, out);
        }
        if (objects)
            out += "\n" + std::string(2 * depth, ' ');
        out += ']';
    } else {
        out += value.dump(-1, ' ', false, Json::error_handler_t::replace);
    }
}

} // namespace

std::string Base64Encode(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned long v =
            static_cast<unsigned long>(static_cast<unsigned char>(bytes[i])) << 16 |
            static_cast<unsigned long>(static_cast<unsigned char>(bytes[i + 1])) << 8 |
            static_cast<unsigned char>(bytes[i + 2]);
        out += kBase64Alphabet[(v >> 18) & 63];
        out += kBase64Alphabet[(v >> 12) & 63];
        out += kBase64Alphabet[(v >> 6) & 63];
        out += kBase64Alphabet[v & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        unsigned long v = static_cast<unsigned long>(static_cast<unsigned char>(bytes[i])) << 16;
        if (rest == 2)
            v |= static_cast<unsigned long>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        out += kBase64Alphabet[(v >> 18) & 63];
        out += kBase64Alphabet[(v >> 12) & 63];
        out += rest == 2 ? kBase64Alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

bool Base64Decode(std::string_view text, std::string& bytes) {
    bytes.clear();
    if (text.size() % 4 != 0)
        return false;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const int padding = last ? (text[i + 3] == '=') + (text[i + 2] == '=') : 0;
        if (padding == 1 && text[i + 2] == '=')
            return false; // "x=y=" is not padding
        unsigned long v = 0;
        for (int k = 0; k < 4 - padding; ++k) {
            const int d = Base64Value(text[i + static_cast<std::size_t>(k)]);
            if (d < 0)
                return false;
            v |= static_cast<unsigned long>(d) << (18 - 6 * k);
        }
        // Bits below the last byte must be zero, or two texts would decode alike.
        if ((padding == 1 && (v & 0xFF)) || (padding == 2 && (v & 0xFFFF)))
            return false;
        bytes += static_cast<char>((v >> 16) & 0xFF);
        if (padding < 2)
            bytes += static_cast<char>((v >> 8) & 0xFF);
        if (padding < 1)
            bytes += static_cast<char>(v & 0xFF);
    }
    return true;
}

std::string JsonText(const nlohmann::ordered_json& value, bool oneLine) {
    std::string out;
    WriteJson(value, 0, oneLine, out);
    return out;
}

std::string CsvRow(std::string_view first, std::string_view second) {
    std::string row;
    for (std::string_view field : {first, second}) {
        if (!row.empty())
            row += ',';
        row += '"';
        for (char c : field) {
            if (c == '"')
                row += '"';
            row += c;
        }
        row += '"';
    }
    row += "\r\n";
    return row;
}

// Quotes, commas and line ends are ASCII and never the second byte of a code page 936
// character, so the bytes can be read the same way in UTF-8 and in code page 936.
bool ReadCsvRows(std::string_view s, std::vector<ImportRow>& rows, std::string& fatal) {
    rows.clear();
    std::size_t i = 0;
    std::size_t number = 0;
    while (i < s.size()) {
        ++number;
        const std::size_t rowStart = i;
        std::vector<std::string> fields;
        std::string error;
        for (;;) {
            std::string field;
            if (i < s.size() && s[i] == '"') {
                const std::size_t open = i++;
                for (;;) {
                    if (i >= s.size()) {
                        fatal = "row " + std::to_string(number) +
                                ": a quoted field is not closed (it starts at byte " +
                                std::to_string(open + 1) + ")";
                        rows.clear();
                        return false;
                    }
                    if (s[i] == '"') {
                        if (i + 1 < s.size() && s[i + 1] == '"') {
                            field += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    field += s[i++];
                }
                if (i < s.size() && s[i] != ',' && s[i] != '\n' &&
                    !(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) {
                    if (error.empty())
                        error = "text after the closing quote of field " +
                                std::to_string(fields.size() + 1);
                    while (i < s.size() && s[i] != ',' && s[i] != '\n')
                        ++i;
                }
            } else {
                while (i < s.size() && s[i] != ',' && s[i] != '\n' &&
                       !(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n'))
                    field += s[i++];
            }
            fields.push_back(std::move(field));
            if (i < s.size() && s[i] == ',') {
                ++i;
                continue;
            }
            if (i < s.size())
                i += s[i] == '\r' ? 2 : 1;
            break;
        }
        const bool blankLine = fields.size() == 1 && fields[0].empty() && s[rowStart] != '"';
        if (blankLine)
            continue;
        if (number == 1 && fields.size() == 2 && fields[0] == "question" && fields[1] == "answer")
            continue;
        ImportRow row;
        row.number = number;
        if (!error.empty())
            row.error = error;
        else if (fields.size() != 2)
            row.error =
                "expected 2 fields (question, answer), found " + std::to_string(fields.size());
        else {
            row.question = std::move(fields[0]);
            row.answer = std::move(fields[1]);
        }
        rows.push_back(std::move(row));
    }
    return true;
}

void ReadJsonLines(std::string_view s, std::vector<ImportRow>& rows) {
    rows.clear();
    std::size_t number = 0;
    for (std::size_t i = 0; i < s.size();) {
        ++number;
        std::size_t end = s.find('\n', i);
        if (end == std::string_view::npos)
            end = s.size();
        const std::string_view line = s.substr(i, end - i);
        i = end + 1;
        if (line.find_first_not_of(" \t\r") == std::string_view::npos)
            continue;
        ImportRow row;
        row.number = number;
        // A member named twice would leave only one of its values: the row is refused.
        std::set<std::string> names;
        std::string repeated;
        const Json::parser_callback_t noteNames = [&](int depth, Json::parse_event_t event,
                                                      Json& parsed) {
            if (depth == 1 && event == Json::parse_event_t::key &&
                !names.insert(parsed.get<std::string>()).second && repeated.empty())
                repeated = parsed.get<std::string>();
            return true;
        };
        try {
            const Json object = Json::parse(line, noteNames);
            if (!object.is_object())
                row.error = "not a JSON object";
            else if (!repeated.empty())
                row.error = "the member \"" + repeated + "\" is given twice";
            else
                TakeText(object, "question", row.question, row.questionIsBytes, row.error);
            if (row.error.empty())
                TakeText(object, "answer", row.answer, row.answerIsBytes, row.error);
        } catch (const nlohmann::json::parse_error& e) {
            row.error = "not a JSON object: " + ParseProblem(e);
        }
        rows.push_back(std::move(row));
    }
}

} // namespace vendu
