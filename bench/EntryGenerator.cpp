#include "EntryGenerator.h"

#include "knowledge/EntryFile.h"

#include <cstdint>
#include <iterator>

namespace vorna::bench {

namespace {

// Everyday words of a support team's notes, in code page 936 (GBK).
const char* const kChineseWords[] = {
    "\xCE\xC4\xBC\xFE",
    "\xB8\xB4\xD6\xC6",
    "\xD5\xB3\xCC\xF9",
    "\xBF\xEC\xBD\xDD\xBC\xFC",
    "\xB4\xB0\xBF\xDA",
    "\xCB\xD1\xCB\xF7",
    "\xCE\xCA\xCC\xE2",
    "\xB4\xF0\xB0\xB8",
    "\xCF\xB5\xCD\xB3",
    "\xC9\xE8\xD6\xC3",
    "\xB4\xF2\xBF\xAA",
    "\xB9\xD8\xB1\xD5",
    "\xB1\xA3\xB4\xE6",
    "\xC9\xBE\xB3\xFD",
    "\xD6\xD8\xC6\xF4",
    "\xCD\xF8\xC2\xE7",
    "\xC3\xDC\xC2\xEB",
    "\xD3\xC3\xBB\xA7",
    "\xD5\xCB\xBA\xC5",
    "\xB5\xC7\xC2\xBC",
    "\xB4\xF2\xD3\xA1\xBB\xFA",
    "\xC7\xFD\xB6\xAF",
    "\xB0\xB2\xD7\xB0",
    "\xD0\xB6\xD4\xD8",
    "\xB8\xFC\xD0\xC2",
    "\xB0\xE6\xB1\xBE",
    "\xB4\xED\xCE\xF3",
    "\xCC\xE1\xCA\xBE",
    "\xB7\xFE\xCE\xF1\xC6\xF7",
    "\xBF\xCD\xBB\xA7",
    "\xB6\xA9\xB5\xA5",
    "\xB7\xA2\xC6\xB1",
    "\xCD\xCB\xBF\xEE",
    "\xB5\xE7\xBB\xB0",
    "\xD3\xCA\xBC\xFE",
    "\xB5\xD8\xD6\xB7",
    "\xCA\xB1\xBC\xE4",
    "\xC8\xD5\xC6\xDA",
    "\xB1\xED\xB8\xF1",
    "\xCA\xFD\xBE\xDD",
    "\xB1\xB8\xB7\xDD",
    "\xBB\xD6\xB8\xB4",
    "\xE4\xAF\xC0\xC0\xC6\xF7",
    "\xBB\xBA\xB4\xE6",
    "\xC7\xE5\xB3\xFD",
    "\xCA\xE4\xC8\xEB\xB7\xA8",
    "\xD6\xD0\xCE\xC4",
    "\xD3\xA2\xCE\xC4",
    "\xCF\xD4\xCA\xBE",
    "\xC6\xC1\xC4\xBB",
    "\xCA\xF3\xB1\xEA",
    "\xBC\xFC\xC5\xCC",
    "\xB0\xB4\xC5\xA5",
    "\xB2\xCB\xB5\xA5",
    "\xB9\xA4\xBE\xDF",
    "\xD1\xA1\xCF\xEE",
    "\xC7\xEB",
    "\xB5\xE3\xBB\xF7",
    "\xC8\xBB\xBA\xF3",
    "\xC8\xE7\xB9\xFB",
    "\xBF\xC9\xD2\xD4",
    "\xD0\xE8\xD2\xAA",
    "\xCA\xB9\xD3\xC3",
    "\xB7\xBD\xB7\xA8",
    "\xB2\xBD\xD6\xE8",
    "\xBC\xEC\xB2\xE9",
    "\xC8\xB7\xC8\xCF",
    "\xC1\xAA\xCF\xB5",
    "\xBC\xBC\xCA\xF5",
    "\xD6\xA7\xB3\xD6",
    "\xB5\xC4",
    "\xCA\xC7",
    "\xD4\xDA",
    "\xBA\xCD",
    "\xC1\xCB",
    "\xB2\xBB",
    "\xD3\xD0",
    "\xCE\xD2\xC3\xC7",
    "\xC4\xFA",
    "\xD2\xD1\xBE\xAD",
    "\xCE\xDE\xB7\xA8",
    "\xB3\xC9\xB9\xA6",
    "\xCA\xA7\xB0\xDC",
    "\xA3\xAC",
    "\xA1\xA3",
    "\xA3\xBA",
    "\xA3\xA8",
    "\xA3\xA9",
};

const char* const kAsciiWords[] = {
    "Ctrl+C", "Ctrl+V", "Alt+Tab",   "Win+R",   "F5",     "Enter",  "Esc",     "Windows",
    "Excel",  "Word",   "PDF",       "VPN",     "Wi-Fi",  "IP",     "DNS",     "ipconfig",
    "/all",   "ping",   "C:\\Users", "http://", "OK",     "USB",    "HDMI",    "2024",
    "10",     "3",      "v1.2",      "admin",   "email",  "login",  "reset",   "the",
    "to",     "of",     "and",       "printer", "driver", "update", "restart", "cache",
};

// A small fast generator with a fixed seed, so every run sees the same files.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint32_t Next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return static_cast<std::uint32_t>(m_state >> 11);
    }
    std::size_t Below(std::size_t n) { return Next() % n; }

private:
    std::uint64_t m_state;
};

std::string Text(Random& rnd, std::size_t minLen, std::size_t maxLen, bool lineBreaks) {
    const std::size_t target = minLen + rnd.Below(maxLen - minLen + 1);
    std::string text;
    bool lastAscii = false;
    while (text.size() < target) {
        std::string word;
        bool ascii = rnd.Below(10) < 3;
        if (ascii)
            word = kAsciiWords[rnd.Below(std::size(kAsciiWords))];
        else
            word = kChineseWords[rnd.Below(std::size(kChineseWords))];
        if (text.size() + word.size() + 1 > maxLen)
            word = ascii ? "x" : "\xA1\xA3";
        if (text.size() + word.size() > maxLen)
            break;
        if (ascii && lastAscii)
            text += ' ';
        else if (lineBreaks && !text.empty() && rnd.Below(20) == 0)
            text += "\r\n";
        text += word;
        lastAscii = ascii;
    }
    return text;
}

} // namespace

std::string GenerateEntryFile(std::size_t entries, std::size_t longestAnswer) {
    Random rnd(entries);
    std::string file;
    file.reserve(entries * 280);
    for (std::size_t i = 0; i < entries; ++i) {
        std::string question = Text(rnd, 10, 80, false);
        std::string answer = Text(rnd, 20, longestAnswer, true);
        if (i % kRareEvery == kRareEvery / 2)
            answer += " " + std::string(kRareKeyword);
        file += MakeRecord(question, answer);
    }
    return file;
}

std::string MarkerHeavyFile(std::size_t size) {
    std::string file;
    file.reserve(size);
    while (file.size() + kQuestionMarker.size() <= size)
        file.append(kQuestionMarker);
    file.resize(size, ' ');
    return file;
}

} // namespace vorna::bench
