#pragma once
// The system's side of the conversions, one implementation per platform (the Windows code
// page tables, iconv). Used by text/Convert.cpp only.
#include "text/Convert.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vorna::detail {

// Whole texts at once. True when all of text converted, with no invalid source and no
// character missing from the target; out always receives the system's conversion, with a
// replacement in the place of what did not convert.
bool SystemToWide(std::string_view text, Encoding from, std::wstring& out);
bool SystemFromWide(std::wstring_view text, Encoding to, std::string& out);
bool SystemConvert(std::string_view text, Encoding from, Encoding to, std::string& out);

// Whether two encodings are one and the same on this system.
bool SameEncoding(Encoding a, Encoding b);
// Bytes of the system encoding's character at offset i, 0 when the bytes there form none.
std::size_t SystemCharLength(std::string_view text, std::size_t i);

} // namespace vorna::detail
