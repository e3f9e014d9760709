#pragma once
// Appending to an open file, all or nothing. A write that fails or is cut short (a full disk
// ends a write early and may still report it as a success with fewer bytes) is undone, so the
// file keeps exactly the bytes it had before; but only what this write added is ever cut away,
// never what another program appended meanwhile.
#include "io/File.h"
#include "io/FileResult.h"

#include <string_view>

namespace vorna {

// Writes the bytes at the end of the file with one write, then flushes them to the device.
// ok: all bytes are at the end of the file and handed to the storage device. Otherwise
// notOpen, lengthUnknown, writeFailed, restoreFailed or otherWriter, with the system's code of
// the failed write or flush. offset is the file's length before the write, where the bytes
// begin; written and requested what the write managed and what it was to write.
FileResult AppendWhole(CFile& file, std::string_view bytes);

} // namespace vorna
