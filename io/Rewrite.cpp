#include "io/Rewrite.h"

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

// The new files of a rewrite that are not in place yet; removed when the rewrite ends early.
struct NewFiles {
    std::string backup, replacement;
    ~NewFiles() {
        if (!backup.empty())
            detail::RemoveFile(backup);
        if (!replacement.empty())
            detail::RemoveFile(replacement);
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

} // namespace

std::string BackupPathOf(const std::string& path) {
    return path + ".bak";
}

FileResult RewriteFile(const std::string& path, const RewriteOptions& options,
                       const RewriteChange& change) {
    using Clock = std::chrono::steady_clock;
    const std::string target = detail::ResolvedPath(path);
    // Read alone and held alone: no other reader or writer between the read and the rename,
    // so nothing another program adds meanwhile is lost.
    CFile file;
    FileResult result = OpenFile(file, target, Opening{CFile::modeRead, options.waitSeconds});
    if (!result.Ok())
        return result;
    int code = 0;
    if (!detail::MayWrite(target, code))
        return Failure(FileStatus::noWritePermission, code);
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
    if (options.keepBackup && !detail::WriteNewFileBeside(target, old, made.backup, code))
        return Failure(FileStatus::backupFailed, code);
    if (!detail::WriteNewFileBeside(target, updated, made.replacement, code))
        return Failure(FileStatus::tempFailed, code);
    // Programs that ignore the lock (an editor, ">>") may still have written meanwhile.
    std::uint64_t length = 0;
    if (!file.GetLength(&length) || length != old.size())
        return Failure(FileStatus::changedMeanwhile);
    bool unconfirmed = false;
    if (!made.backup.empty()) {
        // The backup is whole before the file changes; the new file's rename below flushes
        // the folder for both.
        if (!detail::MoveOver(made.backup, BackupPathOf(target), code, unconfirmed))
            return Failure(FileStatus::backupFailed, code);
        made.backup.clear();
    }

    // Where an open file cannot be replaced, the lock ends just before the rename; another
    // opener that comes in between makes the rename wait, and one that changed the file
    // makes the rewrite give up.
    if (!detail::kReplacesOpenFile)
        file.Close();
    const Clock::time_point start = Clock::now();
    auto pause = std::chrono::milliseconds(2);
    for (;;) {
        if (!detail::kReplacesOpenFile &&
            (!detail::LengthOfFile(target, length) || length != old.size()))
            return Failure(FileStatus::changedMeanwhile);
        if (detail::MoveOver(made.replacement, target, code, unconfirmed))
            break;
        const double waited = std::chrono::duration<double>(Clock::now() - start).count();
        if (detail::kReplacesOpenFile || !detail::IsSharingFailure(code) ||
            waited >= options.waitSeconds)
            return Failure(FileStatus::replaceFailed, code);
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    made.replacement.clear();
    result = unconfirmed ? Failure(FileStatus::replaceUnconfirmed, code) : FileResult();
    result.offset = updated.size();
    return result;
}

} // namespace vorna
