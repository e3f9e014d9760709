#include "tools/vendu/JsonReader.h"

#include "text/CodePage.h"

namespace vendu {
namespace {

void AppendUtf8(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

bool JsonReader::ReadObject(std::vector<std::pair<std::string, std::string>>& strings,
                            std::vector<std::string>& otherKeys) {
    SkipSpace();
    if (!Take('{'))
        return Fail("a row must be a JSON object");
    SkipSpace();
    if (!Take('}')) {
        do {
            SkipSpace();
            std::string key, value;
            if (!Peek('"') || !ReadString(key))
                return Fail(m_error.empty() ? "expected a member name" : m_error);
            SkipSpace();
            if (!Take(':'))
                return Fail("expected ':' after a member name");
            SkipSpace();
            if (Peek('"')) {
                if (!ReadString(value))
                    return false;
                strings.emplace_back(std::move(key), std::move(value));
            } else {
                if (!SkipValue(0))
                    return false;
                otherKeys.push_back(std::move(key));
            }
            SkipSpace();
        } while (Take(','));
        if (!Take('}'))
            return Fail("expected ',' or '}' in an object");
    }
    SkipSpace();
    if (m_i != m_s.size())
        return Fail("text after the object");
    return true;
}

bool JsonReader::Fail(std::string message) {
    if (m_error.empty())
        m_error = std::move(message);
    return false;
}

void JsonReader::SkipSpace() {
    while (m_i < m_s.size() &&
           (m_s[m_i] == ' ' || m_s[m_i] == '\t' || m_s[m_i] == '\r' || m_s[m_i] == '\n'))
        ++m_i;
}

bool JsonReader::Take(char c) {
    if (!Peek(c))
        return false;
    ++m_i;
    return true;
}

bool JsonReader::Hex4(unsigned long& value) {
    if (m_s.size() - m_i < 4)
        return false;
    value = 0;
    for (int k = 0; k < 4; ++k) {
        const char c = m_s[m_i++];
        int digit = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<unsigned long>(digit);
    }
    return true;
}

bool JsonReader::ReadString(std::string& out) {
    ++m_i; // the opening quote
    for (;;) {
        if (m_i >= m_s.size())
            return Fail("a string is not closed");
        const auto c = static_cast<unsigned char>(m_s[m_i]);
        if (c == '"') {
            ++m_i;
            return true;
        }
        if (c < 0x20)
            return Fail("a control character in a string must be escaped");
        if (c >= 0x80) {
            const std::size_t length = vorna::Utf8CharLength(m_s, m_i);
            if (length == 0)
                return Fail("a string is not valid UTF-8");
            out.append(m_s.substr(m_i, length));
            m_i += length;
            continue;
        }
        ++m_i;
        if (c != '\\') {
            out += static_cast<char>(c);
            continue;
        }
        if (m_i >= m_s.size())
            return Fail("a string is not closed");
        const char e = m_s[m_i++];
        switch (e) {
        case '"':
        case '\\':
        case '/':
            out += e;
            break;
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'u': {
            unsigned long code;
            if (!Hex4(code))
                return Fail("a \\u escape needs four hexadecimal digits");
            if (code >= 0xDC00 && code <= 0xDFFF)
                return Fail("a \\u escape holds a lone low surrogate");
            if (code >= 0xD800 && code <= 0xDBFF) {
                unsigned long low;
                if (!Take('\\') || !Take('u') || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
                    return Fail("a \\u escape holds a lone high surrogate");
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            }
            AppendUtf8(out, code);
            break;
        }
        default:
            return Fail("an unknown escape in a string");
        }
    }
}

bool JsonReader::SkipDigits() {
    const std::size_t start = m_i;
    while (m_i < m_s.size() && m_s[m_i] >= '0' && m_s[m_i] <= '9')
        ++m_i;
    return m_i > start;
}

bool JsonReader::SkipValue(int depth) {
    if (depth > 64)
        return Fail("values nested too deeply");
    SkipSpace();
    if (m_i >= m_s.size())
        return Fail("a value is missing");
    const char c = m_s[m_i];
    if (c == '"') {
        std::string ignored;
        return ReadString(ignored);
    }
    if (c == '{' || c == '[') {
        const char close = c == '{' ? '}' : ']';
        ++m_i;
        SkipSpace();
        if (Take(close))
            return true;
        do {
            SkipSpace();
            if (c == '{') {
                std::string key;
                if (!Peek('"') || !ReadString(key))
                    return Fail("expected a member name");
                SkipSpace();
                if (!Take(':'))
                    return Fail("expected ':' after a member name");
            }
            if (!SkipValue(depth + 1))
                return false;
            SkipSpace();
        } while (Take(','));
        return Take(close) || Fail("an object or array is not closed");
    }
    for (std::string_view word : {"true", "false", "null"}) {
        if (m_s.substr(m_i, word.size()) == word) {
            m_i += word.size();
            return true;
        }
    }
    Take('-');
    if (!Take('0') && !SkipDigits())
        return Fail("not a JSON value");
    if (Take('.') && !SkipDigits())
        return Fail("a number needs digits after '.'");
    if (Take('e') || Take('E')) {
        if (!Take('+'))
            Take('-');
        if (!SkipDigits())
            return Fail("a number needs digits in its exponent");
    }
    return true;
}

} // namespace vendu
