#pragma once
// Appending to an open entry file, all or nothing. A write that fails or is cut short (a full
// disk ends a write early and may still report it as a success with fewer bytes) is undone,
// so the file keeps exactly the bytes it had before.
#include "platform/File.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vorna {

enum class AppendStatus {
    appended,      // all bytes are at the end of the file
    notOpen,       // no file is open; nothing written
    seekFailed,    // the end of the file could not be reached; nothing written
    writeFailed,   // the write failed or fell short; the file is back at its earlier length
    restoreFailed, // as writeFailed, but cutting the file back failed too: its end may hold
                   // the first bytesWritten bytes
};

struct AppendResult {
    AppendStatus status = AppendStatus::appended;
    std::uint64_t offset = 0;     // the file's length before the write: where the bytes start
    std::size_t bytesWritten = 0; // what the write managed, before any undo
};

// Moves to the end of the file and writes the bytes with one write.
AppendResult AppendWhole(CFile& file, std::string_view bytes);

} // namespace vorna
