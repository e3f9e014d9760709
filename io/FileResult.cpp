#include "io/FileResult.h"

#include <cmath>

namespace vorna {
namespace {

// What the write of a failed append managed, and the system's reason.
std::string WriteFailure(const FileResult& r) {
    const std::string reason = SystemErrorText(r.systemCode);
    if (r.written == r.requested)
        return "the disk did not confirm the write (" + reason + ")";
    return "writing failed after " + std::to_string(r.written) + " of " +
           std::to_string(r.requested) + " bytes (" + reason + ")";
}

} // namespace

std::string FileResult::Describe() const {
    const std::string length = std::to_string(offset);
    switch (status) {
    case FileStatus::ok:
        return "";
    case FileStatus::missing:
        return "no such file";
    case FileStatus::notPlainFile:
        return "not a plain file";
    case FileStatus::noReadPermission:
        return "no permission to read it";
    case FileStatus::noWritePermission:
        return "no permission to write to it";
    case FileStatus::inUse: {
        const long seconds = std::lround(waited);
        return "in use by another program" +
               (seconds > 0 ? " (waited " + std::to_string(seconds) + " s)" : std::string());
    }
    case FileStatus::openFailed:
        return "cannot be opened: " + SystemErrorText(systemCode);
    case FileStatus::readFailed:
        return "reading failed part way: " + SystemErrorText(systemCode);
    case FileStatus::tooBig:
        return "does not fit in memory (" + length + " bytes)";
    case FileStatus::changedWhileRead:
        return "changed while it was read; run the command again";
    case FileStatus::notOpen:
    case FileStatus::lengthUnknown:
        return "cannot tell the length of the file; nothing was written";
    case FileStatus::writeFailed:
        return WriteFailure(*this) + "; the file was cut back to its previous " + length +
               " bytes and is unchanged, nothing was added";
    case FileStatus::restoreFailed:
        return WriteFailure(*this) +
               ", and the file could not be cut back: it keeps a partial record after its "
               "first " +
               length + " bytes";
    case FileStatus::otherWriter:
        return WriteFailure(*this) +
               ", and another program wrote to the file at the same time, so nothing was cut "
               "back: check the end of the file (after its first " +
               length + " bytes)";
    case FileStatus::backupFailed:
        return "cannot keep a backup of it (" + SystemErrorText(systemCode) +
               "); the file is unchanged";
    case FileStatus::tempFailed:
        return "cannot write the new version beside it (" + SystemErrorText(systemCode) +
               "); the file is unchanged";
    case FileStatus::changedMeanwhile:
        return "another program changed it meanwhile; it was left as that program made it, "
               "nothing was written";
    case FileStatus::replaceFailed:
        return "cannot put the new version in its place (" + SystemErrorText(systemCode) +
               "); the file is unchanged";
    case FileStatus::replaceUnconfirmed:
        return "the new version is in place, but the system did not confirm that it reached "
               "the disk (" +
               SystemErrorText(systemCode) + ")";
    case FileStatus::appendsSetAside:
        return "the new version is in place, but the " + length +
               " bytes another program appended to the old one meanwhile could not be added to "
               "it (" +
               SystemErrorText(systemCode) + "): they are in the file of its name with " +
               "\".appended\" added";
    case FileStatus::appendsLost:
        return "the new version is in place, but the " + length +
               " bytes another program appended to the old one meanwhile could neither be added "
               "to it nor kept beside it (" +
               SystemErrorText(systemCode) + ")";
    }
    return "";
}

} // namespace vorna
