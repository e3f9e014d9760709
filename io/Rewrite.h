#pragma once
// Changing a file as a whole: the new bytes go to a new file beside it, which is flushed to
// the device and then put in the old one's place. At every moment the file's name holds all
// of the old bytes or all of the new ones, also when the process is killed or the disk fills
// up half way; a failure before the replace leaves the file untouched. What programs that
// ignore the lock append to the old file meanwhile is added to the new one.
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
    // How many old versions are kept, newest first: FILE.bak, FILE.bak.1, ... Each rewrite
    // moves them one place on; the oldest beyond the count is replaced.
    unsigned backups = 1;
};

// What a rewrite did besides putting the new bytes in place.
struct RewriteOutcome {
    // Where the old version was kept; empty without a backup.
    std::string backupPath;
    // The bytes that other programs appended to the old version while it was rewritten, in
    // their order; the new version ends with them.
    std::string appended;
    // A program still held the old version open for writing when the rewrite stopped waiting
    // for it: what it writes there from then on is not in the file.
    bool stillWritten = false;
};

// Computes the new bytes from the old: returns false to leave the file as it is.
using RewriteChange = std::function<bool(const std::string& old, std::string& updated)>;

// Opens the existing file alone (the writers' lock, as for an append), reads it whole, asks
// change for the new bytes and, when there are any, puts them in place of the old, holding
// the file alone until the new one is in place. A symbolic link is followed: the file it
// names is the one changed, and its backup lies beside that file. On Windows the new file
// keeps the old one's attributes, security and streams.
// The old version stays open through its handle after the replace, until no other program
// can write to it any more (or the wait ends): whatever other programs appended to it after
// the read is appended to the new version, in order (outcome->appended).
// ok: done, or nothing to do (change returned false); offset is the new length.
// The failures of opening and reading (missing, inUse, tooBig, readFailed...), and
// noWritePermission for a file this process may not change (a read-only one); then
// tempFailed, backupFailed, changedMeanwhile (the file was cut or replaced meanwhile) or
// replaceFailed: the file is untouched; or replaceUnconfirmed, appendsSetAside or
// appendsLost: the new bytes are in place. systemCode is the system's reason.
FileResult RewriteFile(const std::string& path, const RewriteOptions& options,
                       const RewriteChange& change, RewriteOutcome* outcome = nullptr);

// The name of the backup of path: path + ".bak", and for an older one (index from 1)
// path + ".bak.1", ...
std::string BackupPathOf(const std::string& path, unsigned index = 0);

} // namespace vorna
