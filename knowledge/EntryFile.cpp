#include "knowledge/EntryFile.h"

#include "io/FileView.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

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
    constexpr std::size_t kPiece = 1 << 17;
    constexpr std::size_t kView = 4 << 20;
    FileEncodingDetector detector;
    std::vector<char> piece(kPiece);
    std::uint64_t at = 0;
    // The first piece decides most files (a mark, or a GBK character); the rest of a file that
    // is UTF-8 so far is looked at through views where the system maps files, without a copy.
    std::uint64_t length = 0;
    const bool known = file.GetLength(&length);
    CFileView view;
    while (!detector.Decided()) {
        if (at > 0 && known && at < length &&
            view.Map(file, at,
                     static_cast<std::size_t>(std::min<std::uint64_t>(kView, length - at)))) {
            detector.Feed(std::string_view(view.Data(), view.Size()));
            if (view.Spoiled()) {
                FileResult cut;
                cut.status = FileStatus::readFailed;
                cut.systemCode = EIO;
                cut.offset = at;
                return cut;
            }
            at += view.Size();
            continue;
        }
        bool failed = false;
        const std::size_t got = file.ReadAt(at, piece.data(), kPiece, &failed);
        if (failed)
            return file.GetLastError();
        if (got == 0)
            break;
        detector.Feed(std::string_view(piece.data(), got));
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
