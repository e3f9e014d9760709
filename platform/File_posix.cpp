// The file object on POSIX systems. "No sharing" is an exclusive advisory lock (flock), so
// a second CFile on the same file fails while the first holds it, in this process or another.
#include "platform/File.h"

#include <cerrno>
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

CFile::~CFile() {
    Close();
}

bool CFile::GetStatus(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool CFile::Open(const std::string& path, unsigned flags) {
    Close();
    int access;
    if (flags == modeRead)
        access = O_RDONLY;
    else if (flags == modeReadWrite)
        access = O_RDWR;
    else
        return false;
    if (path.empty())
        return false;
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
    m_path = path;
    return true;
}

bool CFile::IsOpen() const {
    return m_handle != -1;
}

std::size_t CFile::Read(void* buffer, std::size_t count, bool* failed) {
    if (failed)
        *failed = false;
    if (!IsOpen()) {
        if (failed)
            *failed = true;
        return 0;
    }
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

bool CFile::SeekToEnd(std::uint64_t* length) {
    if (!IsOpen())
        return false;
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

void CFile::Close() {
    if (m_handle != -1) {
        // Closing the descriptor releases the lock with it.
        ::close(Fd(m_handle));
        m_handle = -1;
    }
    m_path.clear();
}

} // namespace vorna
