#include "tools/vendu/EntryNumbers.h"

#include <algorithm>

namespace vendu {

namespace {

// Digits only, from 1; at most 18 of them, so that any number fits.
bool ParseNumber(const std::string& text, std::size_t& number) {
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != text.npos)
        return false;
    number = std::stoull(text);
    return number > 0;
}

} // namespace

bool ParseEntryNumbers(const std::vector<std::string>& words, std::vector<NumberRange>& ranges,
                       std::string& why) {
    ranges.clear();
    for (const std::string& word : words) {
        const std::size_t dash = word.find('-');
        NumberRange range{0, 0};
        const bool parsed = dash == std::string::npos
                                ? ParseNumber(word, range.first) && ParseNumber(word, range.last)
                                : ParseNumber(word.substr(0, dash), range.first) &&
                                      ParseNumber(word.substr(dash + 1), range.last);
        if (!parsed) {
            why =
                std::string(dash == std::string::npos ? "the entry number is a whole number from 1"
                                                      : "a range is N-M, whole numbers from 1") +
                ", not \"" + word + "\"";
            return false;
        }
        if (range.last < range.first) {
            why = "the range \"" + word + "\" runs backwards; write it " +
                  std::to_string(range.last) + "-" + std::to_string(range.first);
            return false;
        }
        ranges.push_back(range);
    }
    return true;
}

bool InRanges(const std::vector<NumberRange>& ranges, std::size_t number) {
    return std::any_of(ranges.begin(), ranges.end(), [number](const NumberRange& r) {
        return r.first <= number && number <= r.last;
    });
}

std::size_t LastNumber(const std::vector<NumberRange>& ranges) {
    std::size_t last = 0;
    for (const NumberRange& r : ranges)
        last = std::max(last, r.last);
    return last;
}

} // namespace vendu
