#include "io/Append.h"

namespace vorna {

FileResult AppendWhole(CFile& file, std::string_view bytes) {
    FileResult result;
    result.requested = bytes.size();
    if (!file.IsOpen()) {
        result.status = FileStatus::notOpen;
        return result;
    }
    if (!file.GetLength(&result.offset)) {
        result.status = FileStatus::lengthUnknown;
        return result;
    }
    result.written = file.Append(bytes.data(), bytes.size());
    // A save reported as done must be on the device, not only in the system's cache.
    if (result.written == bytes.size() && file.Flush())
        return result;
    result.systemCode = file.GetLastError().systemCode;
    // Even zero bytes written is undone: a failed write may have grown the file anyway. But
    // the file must hold exactly its old bytes and this write's: anything else was written by
    // another program (one that ignores the lock), and cutting would destroy its data.
    bool otherWriter = false;
    const bool restored = file.CutBack(result.offset + result.written, result.offset, otherWriter);
    result.status = restored      ? FileStatus::writeFailed
                    : otherWriter ? FileStatus::otherWriter
                                  : FileStatus::restoreFailed;
    return result;
}

} // namespace vorna
