#include "tools/vendu/FileIo.h"

#include <vector>

namespace vendu {

ReadFileStatus ReadWholeFile(const std::string& path, std::string& content) {
    content.clear();
    if (!vorna::CFile::GetStatus(path))
        return ReadFileStatus::missing;
    vorna::CFile file;
    if (!file.Open(path, vorna::CFile::modeRead))
        return ReadFileStatus::cannotOpen;
    // Large reads: the content is the same as the program's 80-byte reads give, much faster.
    std::vector<char> buffer(1 << 20);
    for (;;) {
        bool failed = false;
        const std::size_t got = file.Read(buffer.data(), buffer.size(), &failed);
        if (failed)
            return ReadFileStatus::readFailed;
        if (got == 0)
            return ReadFileStatus::ok;
        content.append(buffer.data(), got);
    }
}

const char* Describe(ReadFileStatus status) {
    switch (status) {
    case ReadFileStatus::ok:
        return "";
    case ReadFileStatus::missing:
        return "no such file";
    case ReadFileStatus::cannotOpen:
        return "cannot be opened for reading (not a plain file, no permission, or held open by "
               "another program)";
    case ReadFileStatus::readFailed:
        return "reading failed part way";
    }
    return "";
}

AppendResult AppendWithRollback(vorna::CFile& file, std::string_view bytes) {
    AppendResult result;
    if (!file.SeekToEnd(&result.oldLength)) {
        result.status = AppendStatus::seekFailed;
        return result;
    }
    result.written = file.Write(bytes.data(), bytes.size());
    if (result.written == bytes.size())
        return result;
    std::uint64_t length = 0;
    const bool cut =
        file.SetLength(result.oldLength) && file.SeekToEnd(&length) && length == result.oldLength;
    result.status = cut ? AppendStatus::rolledBack : AppendStatus::rollbackFailed;
    return result;
}

} // namespace vendu
