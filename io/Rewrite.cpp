#include "io/Rewrite.h"

#include "io/Append.h"
#include "io/File.h"
#include "io/Read.h"
#include "io/RewriteSystem.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <new>
#include <thread>

namespace vorna {

namespace {

// The new files and names of a rewrite that are not in place yet, and the old version's
// name of its own; removed when the rewrite ends.
struct NewFiles {
    std::string backup, replacement, aside;
    ~NewFiles() {
        for (const std::string* name : {&backup, &replacement, &aside}) {
            if (!name->empty())
                detail::RemoveFile(*name);
        }
    }
};

FileResult Failure(FileStatus status, int code = 0) {
    FileResult result;
    result.status = status;
    result.systemCode = code;
    return result;
}

// The rest of an open file, whole; tooBig when it cannot be held.
FileResult ReadRest(CFile& file, std::string& content) {
    std::uint64_t length = 0;
    if (file.GetLength(&length) && (length > content.max_size() || !MayFitInMemory(length))) {
        FileResult result = Failure(FileStatus::tooBig);
        result.offset = length;
        return result;
    }
    try {
        content.reserve(static_cast<std::size_t>(length));
        std::unique_ptr<char[]> buffer(new char[1 << 18]);
        for (;;) {
            bool failed = false;
            const std::size_t got = file.Read(buffer.get(), 1 << 18, &failed);
            if (failed) {
                FileResult result = file.GetLastError();
                result.offset = content.size();
                return result;
            }
            if (got == 0)
                return FileResult();
            content.append(buffer.get(), got);
        }
    } catch (const std::bad_alloc&) {
        FileResult result = Failure(FileStatus::tooBig);
        result.offset = length;
        return result;
    }
}

// Whether the file that was read is still the one under its name, and not cut: another
// program may have appended to it where the appends can be kept (grown), but nothing else.
// Through the handle while it is open, else through the name.
bool StillTheFileRead(const CFile& file, const std::string& target,
                      const detail::FileIdentity* identity, std::uint64_t length, bool grown) {
    std::uint64_t now = 0;
    if (!(file.IsOpen() ? file.GetLength(&now) : detail::LengthOfFile(target, now)) ||
        now < length || (now > length && !grown))
        return false;
    detail::FileIdentity held, named;
    return !identity || (detail::IdentityOfName(target, named) && named == *identity &&
                         (!file.IsOpen() || (detail::IdentityOf(file, held) && held == *identity)));
}

// Reads what other programs append to the old version, which old holds, after its first from
// bytes, until none of them can write to it any more: where the system can tell, at once;
// elsewhere once it has stopped growing for a while. Gives up after the wait.
void GatherAppends(CFile& old, std::uint64_t from, double waitSeconds, RewriteOutcome& out) {
    using Clock = std::chrono::steady_clock;
    // An append is one write right after the open: a pause this long ends any that began
    // before the replace.
    constexpr auto kQuiet = std::chrono::milliseconds(50);
    const Clock::time_point start = Clock::now();
    const auto limit = std::chrono::duration<double>(std::max(waitSeconds, 0.5));
    Clock::time_point grown = start;
    std::unique_ptr<char[]> buffer(new char[1 << 16]);
    for (;;) {
        // Asked before the read: once no other program can write, the read gets the rest.
        const detail::Writers writers = detail::OtherWriters(old);
        for (;;) {
            bool failed = false;
            const std::size_t got =
                old.ReadAt(from + out.appended.size(), buffer.get(), 1 << 16, &failed);
            if (failed)
                return;
            if (got == 0)
                break;
            out.appended.append(buffer.get(), got);
            grown = Clock::now();
        }
        const Clock::time_point now = Clock::now();
        if (writers == detail::Writers::none ||
            (writers == detail::Writers::unknown && now - grown >= kQuiet))
            return;
        if (now - start >= limit) {
            out.stillWritten = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Appends what was gathered to the new version, which fresh holds where it could be taken
// before the replace; otherwise it is opened by name. When that fails, the bytes are kept in
// a file beside it rather than lost.
FileResult KeepAppends(CFile& fresh, const std::string& target, double waitSeconds,
                       RewriteOutcome& out) {
    if (out.appended.empty())
        return FileResult();
    FileResult added;
    if (!fresh.IsOpen())
        added = OpenFile(fresh, target, Opening{CFile::modeReadWrite, std::max(waitSeconds, 1.0)});
    if (added.Ok())
        added = AppendWhole(fresh, out.appended);
    if (added.Ok())
        return added;
    FileResult result = Failure(FileStatus::appendsSetAside, added.systemCode);
    result.offset = out.appended.size();
    std::string name;
    int code = 0;
    bool unconfirmed = false;
    if (!detail::WriteNewFileBeside(target, out.appended, name, code) ||
        !detail::MoveOver(name, target + ".appended", code, unconfirmed)) {
        if (!name.empty())
            detail::RemoveFile(name);
        result.status = FileStatus::appendsLost;
        result.systemCode = code;
    }
    out.appended.clear();
    return result;
}

// Gives each kept backup the next place's name too (FILE.bak also as FILE.bak.1, ...), the
// oldest first; a backup beyond the count is replaced. FILE.bak keeps its version until the
// new backup takes its name, so a rewrite stopped at any moment leaves a whole FILE.bak.
// Where the file system has no second names, the backup moves on instead.
bool RotateBackups(const std::string& target, unsigned backups, int& code) {
    for (unsigned index = backups; index-- > 1;) {
        const std::string from = BackupPathOf(target, index - 1);
        const std::string to = BackupPathOf(target, index);
        std::uint64_t length = 0;
        bool unconfirmed = false;
        if (detail::LengthOfFile(from, length) && !detail::LinkAs(from, to, code) &&
            !detail::MoveOver(from, to, code, unconfirmed))
            return false;
    }
    return true;
}

} // namespace

std::string BackupPathOf(const std::string& path, unsigned index) {
    return path + ".bak" + (index ? "." + std::to_string(index) : std::string());
}

FileResult RewriteFile(const std::string& path, const RewriteOptions& options,
                       const RewriteChange& change, RewriteOutcome* outcome) {
    using Clock = std::chrono::steady_clock;
    RewriteOutcome unused;
    RewriteOutcome& out = outcome ? *outcome : unused;
    out = RewriteOutcome();
    const std::string target = detail::ResolvedPath(path);
    // Read alone and held alone: no reader or writer that keeps to the lock comes between the
    // read and the replace.
    CFile file;
    FileResult result = OpenFile(file, target, Opening{CFile::modeRead, options.waitSeconds});
    if (!result.Ok())
        return result;
    int code = 0;
    if (!detail::MayWrite(target, code))
        return Failure(FileStatus::noWritePermission, code);
    detail::FileIdentity identity;
    const detail::FileIdentity* known = detail::IdentityOf(file, identity) ? &identity : nullptr;
    std::string old;
    result = ReadRest(file, old);
    if (!result.Ok())
        return result;
    std::string updated;
    if (!change(old, updated)) {
        result.offset = old.size();
        return result;
    }

    NewFiles made;
    if (!detail::WriteNewFileBeside(target, updated, made.replacement, code))
        return Failure(FileStatus::tempFailed, code);
    CFile fresh;
    if (detail::kReplacesOpenFile) {
        // The new file is taken alone before it takes the name: writers that keep to the lock
        // come after the appends kept below.
        fresh.Open(made.replacement, CFile::modeReadWrite);
    }
    // Programs that ignore the lock (an editor, ">>") may have appended meanwhile, which is
    // kept; one that cut or replaced the file makes the rewrite give up.
    if (!StillTheFileRead(file, target, known, old.size(), true))
        return Failure(FileStatus::changedMeanwhile);
    // The old version gets a second name: the backup's, or where an open file cannot be
    // replaced one of its own, to find it again after the replace. Being the same file, the
    // backup keeps all the file had, and what is appended to it late is not lost. Where the
    // file system has no second names, the backup is a copy of the bytes read. Either is whole
    // before the file changes.
    const std::string backup = options.keepBackup ? BackupPathOf(target) : std::string();
    std::string oldName;
    bool unconfirmed = false;
    detail::FileIdentity backupIdentity;
    if (!backup.empty()) {
        // The backup may be this very file already: a rewrite on a system that lets go of
        // the file before its replace can be followed by another before that replace is done.
        const bool alreadyBackup =
            known && detail::IdentityOfName(backup, backupIdentity) && backupIdentity == identity;
        if (!alreadyBackup && !RotateBackups(target, options.backups, code))
            return Failure(FileStatus::backupFailed, code);
        if (alreadyBackup || detail::LinkAs(target, backup, code)) {
            oldName = backup;
        } else if (!detail::WriteNewFileBeside(target, old, made.backup, code) ||
                   !detail::MoveOver(made.backup, backup, code, unconfirmed)) {
            return Failure(FileStatus::backupFailed, code);
        }
        made.backup.clear();
    } else if (!detail::kReplacesOpenFile && detail::LinkBeside(target, made.aside, code)) {
        oldName = made.aside;
    }
    // Where the old file cannot be found again after the replace, what is appended to it
    // before could not be kept: the rewrite gives up then, as for any change.
    const bool followed = detail::kReplacesOpenFile || !oldName.empty();
    if (!followed && !StillTheFileRead(file, target, known, old.size(), false))
        return Failure(FileStatus::changedMeanwhile);

    // Where an open file cannot be replaced, the lock ends just before the replace; another
    // opener that comes in between makes it wait, and one that cut or replaced the file makes
    // the rewrite give up.
    if (!detail::kReplacesOpenFile)
        file.Close();
    const Clock::time_point start = Clock::now();
    auto pause = std::chrono::milliseconds(2);
    for (;;) {
        if (detail::MoveOver(made.replacement, target, code, unconfirmed))
            break;
        const double waited = std::chrono::duration<double>(Clock::now() - start).count();
        if (detail::kReplacesOpenFile || !detail::IsSharingFailure(code) ||
            waited >= options.waitSeconds)
            return Failure(FileStatus::replaceFailed, code);
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
        if (!StillTheFileRead(file, target, known, old.size(), followed))
            return Failure(FileStatus::changedMeanwhile);
    }
    made.replacement.clear();
    out.backupPath = backup;
    result = unconfirmed ? Failure(FileStatus::replaceUnconfirmed, code) : FileResult();
    result.offset = updated.size();

    // The old version, through the handle still open or its second name, checked to be the
    // file that was read.
    detail::FileIdentity reopened;
    if (!file.IsOpen() && known && !oldName.empty() &&
        (!file.Open(oldName, CFile::modeRead | CFile::shareDenyNone) ||
         !detail::IdentityOf(file, reopened) || !(reopened == identity)))
        file.Close();
    if (file.IsOpen())
        GatherAppends(file, old.size(), options.waitSeconds, out);
    file.Close();
    const FileResult kept = KeepAppends(fresh, target, options.waitSeconds, out);
    if (!kept.Ok())
        return kept;
    result.offset += out.appended.size();
    return result;
}

} // namespace vorna
