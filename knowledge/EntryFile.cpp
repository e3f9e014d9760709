#include "knowledge/EntryFile.h"

#include "io/Read.h"
#include "text/ByteFinder.h"

#include <cstring>

namespace vorna {

// Markers cannot overlap one another (no proper suffix of either is a prefix of either), so
// the first answer marker after a question marker P lies before the next question marker N
// exactly when it lies wholly inside the bytes between them. Looking for it only there keeps
// the scan linear: every byte is looked at by at most one question-marker search and one
// answer-marker search, however the markers are spread.
void ParseEntries(std::string_view content, const EntrySink& sink) {
    const detail::ByteFinder question(kQuestionMarker);
    const detail::ByteFinder answer(kAnswerMarker);
    const char* s = content.data();
    const std::size_t n = content.size();
    std::size_t p = question.Find(s, n, 0);
    while (p != detail::kNotFound) {
        const std::size_t textStart = p + kMarkerLength;
        // Back-to-back question markers are cheap to see without starting a search.
        const std::size_t next =
            n - textStart >= kMarkerLength &&
                    std::memcmp(s + textStart, kQuestionMarker.data(), kMarkerLength) == 0
                ? textStart
                : question.Find(s, n, textStart);
        if (next == detail::kNotFound)
            break; // p is the end sentinel's marker
        const std::size_t m = answer.Find(s, next, textStart);
        if (m != detail::kNotFound) {
            sink(std::string(s + textStart, m - textStart),
                 std::string(s + m + kMarkerLength, next - m - kMarkerLength));
        }
        p = next;
    }
}

// The file is read whole before anything reaches the sink, so a file that fails half way
// hands over no entries at all, rather than an arbitrary first part of them.
FileResult ReadEntryFile(const std::string& path, const EntrySink& sink) {
    std::string content;
    const FileResult result =
        ReadWholeFile(path, Opening{CFile::modeRead, 0}, content, kReadChunk, kEndSentinel.size());
    if (!result.Ok())
        return result;
    content.append(kEndSentinel);
    ParseEntries(content, sink);
    return result;
}

std::string MakeRecord(std::string_view question, std::string_view answer) {
    std::string record;
    record.reserve(18 + question.size() + answer.size());
    record.append("\r\n").append(kQuestionMarker).append("\r\n");
    record.append(question);
    record.append("\r\n").append(kAnswerMarker).append("\r\n");
    record.append(answer);
    return record;
}

EntryCheck CheckNewEntry(std::string_view question, std::string_view answer) {
    // The first failing test decides: for each text, emptiness, then the question marker,
    // then the answer marker.
    if (question.empty())
        return EntryCheck::questionEmpty;
    if (question.find(kQuestionMarker) != std::string_view::npos)
        return EntryCheck::questionHasQuestionMarker;
    if (question.find(kAnswerMarker) != std::string_view::npos)
        return EntryCheck::questionHasAnswerMarker;
    if (answer.empty())
        return EntryCheck::answerEmpty;
    if (answer.find(kQuestionMarker) != std::string_view::npos)
        return EntryCheck::answerHasQuestionMarker;
    if (answer.find(kAnswerMarker) != std::string_view::npos)
        return EntryCheck::answerHasAnswerMarker;
    return EntryCheck::ok;
}

const char* EntryCheckMessage(EntryCheck check) {
    switch (check) {
    case EntryCheck::ok:
        return "";
    case EntryCheck::questionEmpty:
    case EntryCheck::answerEmpty:
        return "输入为空，请输入内容！";
    case EntryCheck::questionHasQuestionMarker:
    case EntryCheck::questionHasAnswerMarker:
    case EntryCheck::answerHasQuestionMarker:
    case EntryCheck::answerHasAnswerMarker:
        return "错误输入，请修改内容！";
    }
    return "";
}

} // namespace vorna
