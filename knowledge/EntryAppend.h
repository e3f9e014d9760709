#pragma once
// Appending to an open entry file, all or nothing. A write that fails or is cut short (a full
// disk ends a write early and may still report it as a success with fewer bytes) is undone,
// so the file keeps exactly the bytes it had before; but only what this write added is ever
// cut away, never what another program appended meanwhile.
#include "platform/File.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vorna {

enum class AppendStatus {
    appended,      // all bytes are at the end of the file and handed to the storage device
    notOpen,       // no file is open; nothing written
    seekFailed,    // the file's length could not be told; nothing written
    writeFailed,   // the write or the flush failed; the file is back at its earlier length
    restoreFailed, // as writeFailed, but cutting the file back failed too: its end may hold
                   // the first bytesWritten bytes
    otherWriter,   // as writeFailed, but the file's length shows that another program wrote to
                   // it meanwhile, so nothing was cut: its end needs a look
};

struct AppendResult {
    AppendStatus status = AppendStatus::appended;
    std::uint64_t offset = 0;     // the file's length before the write: where the bytes start
    std::size_t bytesWritten = 0; // what the write managed, before any undo
    FileError error;              // why the write or the flush failed
};

// Writes the bytes at the end of the file with one write, then flushes them to the device.
AppendResult AppendWhole(CFile& file, std::string_view bytes);

} // namespace vorna
