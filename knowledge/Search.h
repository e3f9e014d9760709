#pragma once
// Keyword matching over the entry store, the result-list labels and the captions that count
// entries and matches.
#include "knowledge/EntryStore.h"
#include "text/CodePage.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorna {

// Every entry index whose question, or failing that whose answer, holds the keyword (as
// FindKeyword finds it), in ascending order. out is replaced. One pass over the store's
// texts, whatever the keyword and however many places hold its bytes.
void FindMatches(const CEntryStore& store, std::string_view keyword, const LeadBytes& lead,
                 std::vector<std::uint32_t>& out);

// The result-list line of an entry: question + "/" + answer.
std::string MakeLabel(std::string_view question, std::string_view answer);

// The captions, in UTF-8: the "搜索" group's after a load, and the "匹配信息" group's after a
// search (keyword as the user sees it, in UTF-8 too).
std::string EntryCountCaption(std::size_t count);
std::string MatchCaption(std::string_view keyword, std::size_t count);

} // namespace vorna
