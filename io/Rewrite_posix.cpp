// The rewrite's system calls on POSIX systems: mkstemp beside the file, fsync of the file and
// of its folder, rename; a read lease tells whether any program still writes to the old file.
#include "io/RewriteSystem.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vorna::detail {

namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view bytes, int& code) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            code = n < 0 ? errno : ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

const bool kReplacesOpenFile = true;

bool IsSharingFailure(int code) {
    return code == EWOULDBLOCK;
}

std::string ResolvedPath(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
        return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return path;
    std::string result = resolved;
    std::free(resolved);
    return result;
}

bool MayWrite(const std::string& path, int& code) {
    if (::access(path.c_str(), W_OK) == 0)
        return true;
    code = errno;
    return false;
}

bool WriteNewFileBeside(const std::string& beside, std::string_view bytes, std::string& name,
                        int& code) {
    const std::size_t slash = beside.rfind('/');
    const std::string base = slash == std::string::npos ? beside : beside.substr(slash + 1);
    std::string pattern = FolderOf(beside) + "/." + base + ".XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        code = errno;
        return false;
    }
    // The new file takes the old one's permissions (mkstemp makes it private) and, where this
    // process may give it, its owner.
    struct stat st;
    bool ok = true;
    if (::stat(beside.c_str(), &st) == 0) {
        if (::fchmod(fd, st.st_mode & 07777) != 0) {
            code = errno;
            ok = false;
        }
        if (ok && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()))
            (void)!::fchown(fd, st.st_uid, st.st_gid);
    }
    ok = ok && WriteAll(fd, bytes, code);
    if (ok && ::fsync(fd) != 0) {
        code = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        code = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(pattern.c_str());
        return false;
    }
    name = pattern;
    return true;
}

// The names mkstemp would choose, tried until one is free.
bool LinkBeside(const std::string& path, std::string& name, int& code) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const std::size_t slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = FolderOf(path) + "/." + base + ".";
        for (int k = 0; k < 6; ++k)
            candidate += kLetters[random() % (sizeof kLetters - 1)];
        if (::link(path.c_str(), candidate.c_str()) == 0) {
            name = candidate;
            return true;
        }
        if (errno != EEXIST) {
            code = errno;
            return false;
        }
    }
    code = EEXIST;
    return false;
}

// Through a name of its own, renamed over to in one step.
bool LinkAs(const std::string& path, const std::string& to, int& code) {
    std::string name;
    bool unconfirmed = false;
    if (!LinkBeside(path, name, code))
        return false;
    if (MoveOver(name, to, code, unconfirmed))
        return true;
    ::unlink(name.c_str());
    return false;
}

bool MoveOver(const std::string& from, const std::string& to, int& code, bool& unconfirmed) {
    unconfirmed = false;
    if (::rename(from.c_str(), to.c_str()) != 0) {
        code = errno;
        return false;
    }
    // The rename lives in the folder: only its flush makes it last through a power cut.
    // File systems that cannot flush a folder say EINVAL; they have nothing more to flush.
    const int folder = ::open(FolderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0 || (::fsync(folder) != 0 && errno != EINVAL)) {
        code = errno;
        unconfirmed = true;
    }
    if (folder >= 0)
        ::close(folder);
    return true;
}

void RemoveFile(const std::string& path) {
    ::unlink(path.c_str());
}

bool LengthOfFile(const std::string& path, std::uint64_t& length) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return false;
    length = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool IdentityOf(const CFile& file, FileIdentity& identity) {
    struct stat st;
    if (!file.IsOpen() || ::fstat(static_cast<int>(file.GetSystemHandle()), &st) != 0)
        return false;
    identity =
        FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

bool IdentityOfName(const std::string& path, FileIdentity& identity) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return false;
    identity =
        FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

// A read lease is granted only while no other descriptor has the file open for writing; it is
// let go at once. Its break would be told by a signal, SIGIO by default, which ends a process
// that does not handle it: SIGURG, ignored unless handled, is asked for instead. Without the
// right to a lease (another owner's file) or support for one, the system cannot tell.
Writers OtherWriters(const CFile& file) {
    const int fd = static_cast<int>(file.GetSystemHandle());
    if (::fcntl(fd, F_SETSIG, SIGURG) == 0 && ::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
        return Writers::none;
    }
    return errno == EAGAIN ? Writers::some : Writers::unknown;
}

} // namespace vorna::detail
