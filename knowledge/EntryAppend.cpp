#include "knowledge/EntryAppend.h"

namespace vorna {

AppendResult AppendWhole(CFile& file, std::string_view bytes) {
    AppendResult result;
    if (!file.IsOpen()) {
        result.status = AppendStatus::notOpen;
        return result;
    }
    if (!file.SeekToEnd(&result.offset)) {
        result.status = AppendStatus::seekFailed;
        return result;
    }
    result.bytesWritten = file.Write(bytes.data(), bytes.size());
    if (result.bytesWritten == bytes.size())
        return result;
    // Even zero bytes written is undone: a failed write may have grown the file anyway. The cut
    // counts only when the file's length confirms it.
    std::uint64_t length = 0;
    const bool restored =
        file.SetLength(result.offset) && file.SeekToEnd(&length) && length == result.offset;
    result.status = restored ? AppendStatus::writeFailed : AppendStatus::restoreFailed;
    return result;
}

} // namespace vorna
