#pragma once
// Conversions between the three encodings the program meets: UTF-8 (fixed texts and paths in
// portable code), the ANSI code page (entry texts, keywords) and UTF-16 (the W APIs).
#include "knowledge/Search.h"

#include <string>
#include <string_view>

namespace vorna {

std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);
// CP_ACP: the active ANSI code page (936 on the systems the program is made for).
std::wstring WideFromAnsi(std::string_view ansi);
std::string AnsiFromWide(std::wstring_view wide);
// The lead bytes of the active ANSI code page, for matching on character boundaries.
LeadBytes ActiveCodePageLeadBytes();

} // namespace vorna
