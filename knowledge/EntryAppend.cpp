#include "knowledge/EntryAppend.h"

namespace vorna {

AppendResult AppendWhole(CFile& file, std::string_view bytes) {
    AppendResult result;
    if (!file.IsOpen()) {
        result.status = AppendStatus::notOpen;
        return result;
    }
    if (!file.GetLength(&result.offset)) {
        result.status = AppendStatus::seekFailed;
        return result;
    }
    result.bytesWritten = file.Append(bytes.data(), bytes.size());
    // A save reported as done must be on the device, not only in the system's cache.
    if (result.bytesWritten == bytes.size() && file.Flush())
        return result;
    result.error = file.GetLastError();
    // Even zero bytes written is undone: a failed write may have grown the file anyway. But
    // the file must hold exactly its old bytes and this write's: anything else was written by
    // another program (one that ignores the lock), and cutting would destroy its data.
    std::uint64_t length = 0;
    if (!file.GetLength(&length)) {
        result.status = AppendStatus::restoreFailed;
        return result;
    }
    if (length != result.offset + result.bytesWritten) {
        result.status = AppendStatus::otherWriter;
        return result;
    }
    const bool restored =
        file.SetLength(result.offset) && file.GetLength(&length) && length == result.offset;
    result.status = restored ? AppendStatus::writeFailed : AppendStatus::restoreFailed;
    return result;
}

} // namespace vorna
