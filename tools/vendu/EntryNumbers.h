#pragma once
// Entry numbers as show and rm take them: "7" and ranges "1-3", counted from 1.
#include <cstddef>
#include <string>
#include <vector>

namespace vendu {

struct NumberRange {
    std::size_t first;
    std::size_t last; // first <= last
};

// The words as ranges ("7" is 7-7), in the order given. False with why, a usage error.
bool ParseEntryNumbers(const std::vector<std::string>& words, std::vector<NumberRange>& ranges,
                       std::string& why);

// Whether number lies in one of the ranges.
bool InRanges(const std::vector<NumberRange>& ranges, std::size_t number);

// The largest number the ranges name.
std::size_t LastNumber(const std::vector<NumberRange>& ranges);

} // namespace vendu
