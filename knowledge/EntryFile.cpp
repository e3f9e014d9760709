#include "knowledge/EntryFile.h"

#include <cstdint>

namespace vorna {

std::string MakeRecord(std::string_view question, std::string_view answer) {
    std::string record;
    record.reserve(18 + question.size() + answer.size());
    record.append("\r\n").append(kQuestionMarker).append("\r\n");
    record.append(question);
    record.append("\r\n").append(kAnswerMarker).append("\r\n");
    record.append(answer);
    return record;
}

Converted<std::string> MakeRecordIn(const FileEncoding& file, std::string_view question,
                                    std::string_view answer) {
    const std::string record = MakeRecord(question, answer);
    if (TextEncoding(file.encoding) == file.encoding) {
        Converted<std::string> same;
        same.text = record;
        return same;
    }
    return Convert(record, TextEncoding(file.encoding), file.encoding);
}

FileResult ReadFileEncoding(CFile& file, FileEncoding& encoding) {
    FileEncodingDetector detector;
    std::string block(1 << 16, '\0');
    for (std::uint64_t at = 0; !detector.Decided();) {
        bool failed = false;
        const std::size_t got = file.ReadAt(at, block.data(), block.size(), &failed);
        if (failed)
            return file.GetLastError();
        if (got == 0)
            break;
        detector.Feed(std::string_view(block.data(), got));
        at += got;
    }
    encoding = detector.Result();
    return FileResult{};
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
