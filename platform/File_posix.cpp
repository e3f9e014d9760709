// The file object's system calls on POSIX systems. "No sharing" is an exclusive advisory lock
// (flock), so a second CFile on the same file fails while the first holds it, in this
// process or another.
#include "platform/File.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorna {

namespace {

int Fd(std::intptr_t handle) {
    return static_cast<int>(handle);
}

} // namespace

bool CFile::GetStatus(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool CFile::OpenDirect(const std::string& path, unsigned flags) {
    const int access = flags == modeReadWrite ? O_RDWR : O_RDONLY;
    // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; such a file is refused
    // below anyway.
    int fd = ::open(path.c_str(), access | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    int fl = ::fcntl(fd, F_GETFL);
    if (fl == -1 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) == -1) {
        ::close(fd);
        return false;
    }
    m_handle = fd;
    return true;
}

std::size_t CFile::ReadDirect(void* buffer, std::size_t count, bool* failed) {
    for (;;) {
        ssize_t got = ::read(Fd(m_handle), buffer, count);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno == EINTR)
            continue;
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

std::size_t CFile::Write(const void* buffer, std::size_t count) {
    if (!IsOpen())
        return 0;
    const char* p = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t put = ::write(Fd(m_handle), p + done, count - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (put == 0)
            break;
        done += static_cast<std::size_t>(put);
    }
    return done;
}

bool CFile::SetLength(std::uint64_t length) {
    if (!IsOpen() || length > static_cast<std::uint64_t>(INT64_MAX))
        return false;
    return ::ftruncate(Fd(m_handle), static_cast<off_t>(length)) == 0;
}

// Closing the descriptor releases the lock with it.
void CFile::CloseDirect() {
    ::close(Fd(m_handle));
}

} // namespace vorna
