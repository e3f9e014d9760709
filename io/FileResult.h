#pragma once
// What became of an operation on a file: ok, or what went wrong, with the system's own code and
// where in the file. The one result of opening, reading and appending, for the core, the
// dialogs and vendu alike; and of rewriting.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vorna {

enum class FileStatus {
    ok,
    // Opening.
    missing,           // nothing of that name (or a folder on the way is missing)
    notPlainFile,      // a folder, a device, a pipe
    noReadPermission,  // opening to read: access denied
    noWritePermission, // opening to write: access denied, a read-only file or file system
    inUse,             // another opener holds the file in a way that excludes this open
    openFailed,        // anything else; see the system code
    // Reading.
    readFailed,       // the system failed a read part way
    tooBig,           // the file does not fit in memory
    changedWhileRead, // its length or time of change differs after the read: another program
                      // changed it meanwhile, so what was read fits no version of it
    // Appending (AppendWhole).
    notOpen,       // no file is open; nothing written
    lengthUnknown, // the file's length could not be told; nothing written
    writeFailed,   // the write or the flush failed; the file is back at its earlier length
    restoreFailed, // as writeFailed, but cutting the file back failed too: its end may hold
                   // the first `written` bytes
    otherWriter,   // as writeFailed, but the file's length shows that another program wrote
                   // to it meanwhile, so nothing was cut: its end needs a look
    // Rewriting (RewriteFile); the file is untouched by all but the last.
    backupFailed,       // the backup could not be written or put in place
    tempFailed,         // the new version could not be written beside the file
    changedMeanwhile,   // another program changed the file while it was being rewritten
    replaceFailed,      // the new version could not be put in the file's place
    replaceUnconfirmed, // the new version is in place, but its folder's flush failed
    appendsSetAside,    // the new version is in place, but what another program appended to the
                        // old one meanwhile (offset bytes) could not be added to it: those bytes
                        // are in a file beside it, its name with ".appended" added
    appendsLost         // as appendsSetAside, but they could not be kept beside it either
};

struct FileResult {
    FileStatus status = FileStatus::ok;
    // The system's own code (errno; GetLastError on Windows), 0 where it gave none.
    int systemCode = 0;
    // A place in the file, in bytes. A read: how many bytes were read (the whole file when ok;
    // the file's size when it is tooBig). An append: the file's length before it, where its
    // bytes begin.
    std::uint64_t offset = 0;
    std::size_t written = 0;   // an append: what its write managed, before any undo
    std::size_t requested = 0; // an append: the bytes it was to write
    double waited = 0;         // seconds spent waiting for a file in use

    bool Ok() const { return status == FileStatus::ok; }
    // A sentence for the user, in English ("no such file", "in use by another program ...");
    // empty when ok.
    std::string Describe() const;
};

// The system's text for a code of FileResult (UTF-8, without a final full stop or line break).
std::string SystemErrorText(int systemCode);

} // namespace vorna
