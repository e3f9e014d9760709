#pragma once
// vendu search over one input: the program's matching, or the matching habits of grep users
// (several keywords, whole words, case folded, entries that do not match), over a file's
// entries read a window of whole entries at a time, each file in its own encoding.
#include "tools/vendu/ShowText.h"

#include "text/Convert.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vendu {

struct Options;

// What search does with the inputs, the same for each of them.
struct SearchPlan {
    std::vector<std::string> keywords; // UTF-8 (bytes with raw, on POSIX); any of them
    bool raw = false;
    bool ignoreCase = false;
    bool smartCase = false; // ignoreCase for a keyword without an upper-case letter
    bool wholeWord = false;
    bool invert = false;                    // the entries that do not match
    std::size_t maxCount = std::size_t(-1); // matching entries taken from each input
    bool numbered = false;
    bool lines = false; // one line a match
    bool quiet = false; // the first match is enough
    Marking marking;    // the keyword marked in the lines (colour)
    bool colour = false;
};

// A match for the machine: its number, its texts as the file holds them, whether another
// entry follows it, and the texts' encoding. Gives the text to write.
using MatchText =
    std::function<std::string(std::size_t number, std::string_view question,
                              std::string_view answer, bool followed, vorna::Encoding encoding)>;

struct InputSearched {
    bool ok = false;
    std::string error; // what happened to the input when not ok (said already)
    std::size_t count = 0;
    std::string caption; // the program's caption for the first keyword (UTF-8, or bytes)
};

// Searches one input (a file, or "-"), writing each match to standard output as a line that
// begins with prefix, or, when json is given, as the text it gives. Problems with the input
// are reported on standard error as they happen.
InputSearched SearchInput(const Options& options, const SearchPlan& plan, const std::string& path,
                          const std::string& prefix, const MatchText& json);

} // namespace vendu
