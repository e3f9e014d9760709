#pragma once
// The entry file format: entries delimited by the question marker "(%Q%)" and the answer
// marker "(%A%)", bytes in the ANSI code page, nothing trimmed or converted.
#include "io/File.h"
#include "io/FileResult.h"
#include "text/FileEncoding.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vorna {

inline constexpr std::string_view kQuestionMarker = "(%Q%)";
inline constexpr std::string_view kAnswerMarker = "(%A%)";
inline constexpr std::size_t kMarkerLength = 5;
// The writer's record: "\r\n(%Q%)\r\n" question "\r\n(%A%)\r\n" answer, nothing after.
std::string MakeRecord(std::string_view question, std::string_view answer);
// The same record as a file in that encoding holds it: the texts are in the file's text
// encoding (UTF-8 for a UTF-16 file), the record's bytes in the file's own. Not ok only when
// a text is not valid in the text encoding (the error's offset then counts bytes of the record
// as MakeRecord makes it).
Converted<std::string> MakeRecordIn(const FileEncoding& file, std::string_view question,
                                    std::string_view answer);
// The encoding of an open file, from its bytes read from the start as far as they decide it
// (an empty file is code page 936). Not ok when a read fails: the encoding is then unknown.
FileResult ReadFileEncoding(CFile& file, FileEncoding& encoding);

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
