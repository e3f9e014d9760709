#pragma once
// A strict reader of one JSON value, enough for one JSON Lines row: an object whose string
// members are collected and whose other values are checked and passed over.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vendu {

class JsonReader {
public:
    explicit JsonReader(std::string_view text) : m_s(text) {}

    // False with Error() on anything but one object and white space.
    bool ReadObject(std::vector<std::pair<std::string, std::string>>& strings,
                    std::vector<std::string>& otherKeys);
    const std::string& Error() const { return m_error; }

private:
    bool Fail(std::string message);
    void SkipSpace();
    bool Peek(char c) const { return m_i < m_s.size() && m_s[m_i] == c; }
    bool Take(char c);
    bool Hex4(unsigned long& value);
    bool ReadString(std::string& out);
    bool SkipDigits();
    bool SkipValue(int depth);

    std::string_view m_s;
    std::size_t m_i = 0;
    std::string m_error;
};

} // namespace vendu
