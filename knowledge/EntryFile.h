#pragma once
// The entry file format: entries delimited by the question marker "(%Q%)" and the answer
// marker "(%A%)", bytes in the ANSI code page, nothing trimmed or converted.
#include "io/FileResult.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vorna {

inline constexpr std::string_view kQuestionMarker = "(%Q%)";
inline constexpr std::string_view kAnswerMarker = "(%A%)";
inline constexpr std::size_t kMarkerLength = 5;
// The writer's record: "\r\n(%Q%)\r\n" question "\r\n(%A%)\r\n" answer, nothing after.
std::string MakeRecord(std::string_view question, std::string_view answer);

// The six tests on a new entry, in the order in which the first failure decides.
enum class EntryCheck {
    ok,
    questionEmpty,
    questionHasQuestionMarker,
    questionHasAnswerMarker,
    answerEmpty,
    answerHasQuestionMarker,
    answerHasAnswerMarker,
};
EntryCheck CheckNewEntry(std::string_view question, std::string_view answer);
// The user's message for a failed check (UTF-8); empty for ok.
const char* EntryCheckMessage(EntryCheck check);

} // namespace vorna
