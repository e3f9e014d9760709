// The file object's system calls on POSIX systems. The sharing rules are advisory locks
// (flock): an exclusive lock for the exclusive modes, a shared one for readers that share, so
// every CFile, in this process or another, keeps to the same rules as on Windows.
#include "io/File.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <unistd.h>

namespace vorna {

namespace {

// An offset no file reaches (off_t stops at 2^63): read at the file's own position.
constexpr std::uint64_t kAtPosition = ~std::uint64_t{0};

int Fd(std::intptr_t handle) {
    return static_cast<int>(handle);
}

} // namespace

const int CFile::kNotOpenCode = EBADF;
const int CFile::kDiskFullCode = ENOSPC;

FileResult CFile::CreateEmpty(const std::string& path) {
    FileResult result;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
    } else if (errno != EEXIST) {
        result.status = OpenFailure(errno, modeReadWrite);
        result.systemCode = errno;
    }
    return result;
}

FileStatus CFile::OpenFailure(int code, unsigned flags) {
    switch (code) {
    case ENOENT:
    case ENOTDIR:
        return FileStatus::missing;
    case EACCES:
    case EPERM:
    case EROFS:
        return flags == modeReadWrite ? FileStatus::noWritePermission
                                      : FileStatus::noReadPermission;
    case EISDIR:
    case ENXIO:
    case ENODEV:
        return FileStatus::notPlainFile;
    case EWOULDBLOCK:
        return FileStatus::inUse;
    default:
        return FileStatus::openFailed;
    }
}

std::string SystemErrorText(int systemCode) {
    return std::strerror(systemCode);
}

bool MayFitInMemory(std::uint64_t bytes) {
    struct sysinfo info;
    if (sysinfo(&info) != 0)
        return true;
    const std::uint64_t unit = info.mem_unit ? info.mem_unit : 1;
    return bytes / unit <= std::uint64_t{info.totalram} + info.totalswap;
}

bool CFile::GetStatus(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool CFile::OpenDirect(const std::string& path, unsigned flags) {
    // Writes always go to the true end (O_APPEND), whatever the position and whoever else
    // appended. O_NONBLOCK keeps the open of a FIFO from waiting for a writer; such a file is
    // refused below anyway.
    const int access = flags == modeReadWrite ? O_RDWR | O_APPEND : O_RDONLY;
    // A rewrite that held the lock may have put a new file under the name meanwhile: the lock
    // then guards the old file, which nobody reads any more, and the open starts again.
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = ::open(path.c_str(), access | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) {
            Fail(OpenFailure(errno, flags), errno);
            return false;
        }
        struct stat st, named;
        if (::fstat(fd, &st) != 0) {
            Fail(OpenFailure(errno, flags), errno);
        } else if (!S_ISREG(st.st_mode)) {
            Fail(FileStatus::notPlainFile, 0);
        } else {
            const int lock = (flags & shareDenyWrite) ? LOCK_SH : LOCK_EX;
            int locked = 0;
            while (!(flags & shareDenyNone) && (locked = ::flock(fd, lock | LOCK_NB)) != 0 &&
                   errno == EINTR) {
            }
            if (locked == 0 && (::stat(path.c_str(), &named) != 0 || named.st_dev != st.st_dev ||
                                named.st_ino != st.st_ino)) {
                ::close(fd);
                continue;
            }
            const int fl = locked == 0 ? ::fcntl(fd, F_GETFL) : -1;
            if (locked == 0 && fl != -1 && ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != -1) {
                m_handle = fd;
                return true;
            }
            Fail(OpenFailure(errno, flags), errno);
        }
        ::close(fd);
        return false;
    }
    Fail(FileStatus::inUse, EWOULDBLOCK);
    return false;
}

std::size_t CFile::ReadDirect(void* buffer, std::size_t count, bool* failed) {
    return ReadAtDirect(kAtPosition, buffer, count, failed);
}

std::size_t CFile::ReadAtDirect(std::uint64_t offset, void* buffer, std::size_t count,
                                bool* failed) {
    for (;;) {
        const ssize_t got = offset == kAtPosition
                                ? ::read(Fd(m_handle), buffer, count)
                                : ::pread(Fd(m_handle), buffer, count, static_cast<off_t>(offset));
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno == EINTR)
            continue;
        Fail(FileStatus::readFailed, errno);
        if (failed)
            *failed = true;
        return 0;
    }
}

bool CFile::GetLength(std::uint64_t* length) const {
    struct stat st;
    if (!IsOpen() || ::fstat(Fd(m_handle), &st) != 0 || st.st_size < 0)
        return false;
    *length = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool CFile::GetStamp(FileStamp* stamp) const {
    struct stat st;
    if (!IsOpen() || ::fstat(Fd(m_handle), &st) != 0 || st.st_size < 0)
        return false;
    stamp->length = static_cast<std::uint64_t>(st.st_size);
    stamp->modified =
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

bool CFile::SeekToEndDirect(std::uint64_t* length) {
    off_t pos = ::lseek(Fd(m_handle), 0, SEEK_END);
    if (pos < 0)
        return false;
    if (length)
        *length = static_cast<std::uint64_t>(pos);
    return true;
}

// The descriptor was opened with O_APPEND: every write lands at the end.
bool CFile::WriteAtEndDirect(const char* buffer, std::size_t count, std::size_t& put) {
    for (;;) {
        const ssize_t n = ::write(Fd(m_handle), buffer, count);
        if (n >= 0) {
            put = static_cast<std::size_t>(n);
            return true;
        }
        if (errno != EINTR) {
            put = 0;
            Fail(FileStatus::writeFailed, errno);
            return false;
        }
    }
}

bool CFile::FlushDirect() {
    if (::fsync(Fd(m_handle)) == 0)
        return true;
    Fail(FileStatus::writeFailed, errno);
    return false;
}

bool CFile::SetLengthDirect(std::uint64_t length) {
    if (::ftruncate(Fd(m_handle), static_cast<off_t>(length)) == 0)
        return true;
    Fail(FileStatus::writeFailed, errno);
    return false;
}

// A write lease is granted only while no other descriptor has the file open, and while it is
// held another open waits: the look and the cut then cannot be come between. Its break would
// be told by SIGIO, which ends a process that does not handle it; SIGURG, ignored unless
// handled, is asked for instead. Without a lease they follow each other at once.
bool CFile::CutBack(std::uint64_t expected, std::uint64_t length, bool& otherWriter) {
    otherWriter = false;
    if (!IsOpen())
        return false;
    const int fd = Fd(m_handle);
    const bool leased = ::fcntl(fd, F_SETSIG, SIGURG) == 0 && ::fcntl(fd, F_SETLEASE, F_WRLCK) == 0;
    std::uint64_t now = 0;
    bool ok = GetLength(&now);
    otherWriter = ok && now != expected;
    ok = ok && !otherWriter && SetLength(length) && GetLength(&now) && now == length;
    if (leased)
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
    return ok;
}

// Closing the descriptor releases the lock with it.
void CFile::CloseDirect() {
    ::close(Fd(m_handle));
}

} // namespace vorna
