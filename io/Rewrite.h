#pragma once
// Changing a file as a whole: the new bytes go to a new file beside it, which is flushed to
// the device and then renamed over the old one. At every moment the file's name holds all of
// the old bytes or all of the new ones, also when the process is killed or the disk fills up
// half way; a failure before the rename leaves the file untouched.
#include "io/FileResult.h"

#include <functional>
#include <string>

namespace vorna {

struct RewriteOptions {
    // How long a file that another program holds is waited for (0: tried once).
    double waitSeconds = 0;
    // Keep the old bytes as FILE.bak (replacing an older one), whole before the new file is
    // put in place.
    bool keepBackup = true;
};

// Computes the new bytes from the old: returns false to leave the file as it is.
using RewriteChange = std::function<bool(const std::string& old, std::string& updated)>;

// Opens the existing file alone (the writers' lock, as for an append), reads it whole, asks
// change for the new bytes and, when there are any, writes them in place of the old, holding
// the file alone until the new one is in place. A symbolic link is followed: the file it
// names is the one changed, and its backup lies beside that file.
// ok: done, or nothing to do (change returned false); offset is the new length.
// The failures of opening and reading (missing, inUse, tooBig, readFailed...), and
// noWritePermission for a file this process may not change (a read-only one); then
// tempFailed, backupFailed, changedMeanwhile or replaceFailed: the file is untouched; or
// replaceUnconfirmed: the new bytes are in place but the system did not confirm that the
// folder's change reached the device. systemCode is the system's reason.
FileResult RewriteFile(const std::string& path, const RewriteOptions& options,
                       const RewriteChange& change);

// The name of the backup of path: path + ".bak".
std::string BackupPathOf(const std::string& path);

} // namespace vorna
