#pragma once
// Laying a text out in lines of a given width, for a box that would otherwise wrap it itself:
// the edit control of Wine lays each paragraph out again for every line it wraps, so a
// paragraph costs the square of its length there, while lines that already fit cost only
// their length. The breaks found here are inserted before the text is shown, and taken out
// again of what is read or copied from it.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vorna {

// The width of a character (a code point) that would begin at x on its line.
using CharacterWidth = std::function<int(char32_t character, int x)>;

// Where line breaks go so that no line is wider than fit: the positions (ascending, in code
// units of text) before which a break is inserted. A line ends at each "\n" of the text as
// it is. A line breaks after a run of spaces or tabs, or beside a character of the wide
// scripts (except before closing and after opening punctuation); only a line with no such
// place breaks inside a word. Spaces may hang past fit up to limit, as they do in an edit
// control. A character wider than fit takes a line of its own; a surrogate pair is never
// split. One pass: each unit is measured at most twice.
std::vector<std::size_t> FindLineBreaks(std::wstring_view text, int fit, int limit,
                                        const CharacterWidth& width);

// The text with "\r\n" inserted before each of the positions.
std::wstring InsertLineBreaks(std::wstring_view text, const std::vector<std::size_t>& breaks);

// The position in the text of a position in the text with the breaks inserted; a position
// inside an inserted "\r\n" counts as the place of that break.
std::size_t TextPosition(std::size_t shownPosition, const std::vector<std::size_t>& breaks);

} // namespace vorna
