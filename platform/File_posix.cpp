// The file object's system calls on POSIX systems. The sharing rules are advisory locks
// (flock): an exclusive lock for the exclusive modes, a shared one for readers that share, so
// every CFile, in this process or another, keeps to the same rules as on Windows.
#include "platform/File.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorna {

namespace {

int Fd(std::intptr_t handle) {
    return static_cast<int>(handle);
}

FileErrorKind KindOf(int code) {
    switch (code) {
    case ENOENT:
    case ENOTDIR:
        return FileErrorKind::missing;
    case EACCES:
    case EPERM:
    case EROFS:
        return FileErrorKind::noPermission;
    case EISDIR:
    case ENXIO:
    case ENODEV:
        return FileErrorKind::notPlainFile;
    case EWOULDBLOCK:
        return FileErrorKind::inUse;
    default:
        return FileErrorKind::failed;
    }
}

FileError ErrorOf(int code) {
    return FileError{KindOf(code), code};
}

} // namespace

std::string SystemErrorText(int systemCode) {
    return std::strerror(systemCode);
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
    int fd = ::open(path.c_str(), access | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        m_error = ErrorOf(errno);
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        m_error = ErrorOf(errno);
    } else if (!S_ISREG(st.st_mode)) {
        m_error = FileError{FileErrorKind::notPlainFile, 0};
    } else {
        const int lock = (flags & shareDenyWrite) ? LOCK_SH : LOCK_EX;
        int locked;
        while ((locked = ::flock(fd, lock | LOCK_NB)) != 0 && errno == EINTR) {
        }
        const int fl = locked == 0 ? ::fcntl(fd, F_GETFL) : -1;
        if (locked == 0 && fl != -1 && ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != -1) {
            m_handle = fd;
            return true;
        }
        m_error = ErrorOf(errno);
    }
    ::close(fd);
    return false;
}

std::size_t CFile::ReadDirect(void* buffer, std::size_t count, bool* failed) {
    for (;;) {
        ssize_t got = ::read(Fd(m_handle), buffer, count);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno == EINTR)
            continue;
        m_error = ErrorOf(errno);
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

bool CFile::SeekToEndDirect(std::uint64_t* length) {
    off_t pos = ::lseek(Fd(m_handle), 0, SEEK_END);
    if (pos < 0)
        return false;
    if (length)
        *length = static_cast<std::uint64_t>(pos);
    return true;
}

std::size_t CFile::Append(const void* buffer, std::size_t count) {
    if (!IsOpen() || m_bReadOnly) {
        m_error = ErrorOf(EBADF);
        return 0;
    }
    const char* p = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t put = ::write(Fd(m_handle), p + done, count - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            m_error = ErrorOf(errno);
            break;
        }
        if (put == 0) {
            m_error = ErrorOf(ENOSPC);
            break;
        }
        done += static_cast<std::size_t>(put);
    }
    return done;
}

bool CFile::Flush() {
    if (!IsOpen()) {
        m_error = ErrorOf(EBADF);
        return false;
    }
    if (::fsync(Fd(m_handle)) == 0)
        return true;
    m_error = ErrorOf(errno);
    return false;
}

bool CFile::SetLength(std::uint64_t length) {
    if (!IsOpen() || length > static_cast<std::uint64_t>(INT64_MAX))
        return false;
    if (::ftruncate(Fd(m_handle), static_cast<off_t>(length)) == 0)
        return true;
    m_error = ErrorOf(errno);
    return false;
}

// Closing the descriptor releases the lock with it.
void CFile::CloseDirect() {
    ::close(Fd(m_handle));
}

} // namespace vorna
