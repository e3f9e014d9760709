#pragma once
// The file object: the one way the program touches files. Portable interface; a Win32
// implementation (wide-character paths, no sharing) and a POSIX one for native builds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vorna {

// Paths are UTF-8 in this interface, so a name with characters outside the ANSI code
// page still opens on Windows (the implementation converts to UTF-16).
class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0,      // read only, exclusive
        modeReadWrite = 2, // read and write, exclusive; never created or truncated
    };

    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Status query by name: true when something of that name exists (a folder too).
    // Nothing is opened.
    static bool GetStatus(const std::string& path);

    // Opens an existing regular file with no sharing; fails when it is missing, is not a
    // plain file, or another opener holds it. Closes a file that was open before, also when
    // the new open fails.
    bool Open(const std::string& path, unsigned flags);
    bool IsOpen() const;
    // Reads up to count bytes; returns how many were read, 0 at the end or on failure.
    // failed (when given) tells the two apart: true when the read itself failed.
    // A file opened for reading only is read ahead in large blocks, so many small reads
    // cost one system call per block; nobody else can change the file while it is open.
    std::size_t Read(void* buffer, std::size_t count, bool* failed = nullptr);
    // Size of the open file in bytes; false when it cannot be told.
    bool GetLength(std::uint64_t* length) const;
    // Moves to the end; returns false on failure. length receives the new position.
    bool SeekToEnd(std::uint64_t* length = nullptr);
    // Writes count bytes at the current position; returns how many were written.
    std::size_t Write(const void* buffer, std::size_t count);
    // Cuts or extends the file to length bytes (used to undo a failed append).
    bool SetLength(std::uint64_t length);
    // Path of the open file; empty when none is open.
    const std::string& GetFilePath() const { return m_path; }
    void Close();

private:
    // The system's own read, write and seek, one implementation per platform.
    std::size_t ReadDirect(void* buffer, std::size_t count, bool* failed);
    bool SeekToEndDirect(std::uint64_t* length);
    bool OpenDirect(const std::string& path, unsigned flags);
    void CloseDirect();

    static constexpr std::size_t kReadAhead = 64 * 1024;

    std::intptr_t m_handle = -1;
    std::string m_path;
    bool m_bReadOnly = false;
    std::unique_ptr<char[]> m_readAhead;
    std::size_t m_readPos = 0; // next unread byte of m_readAhead
    std::size_t m_readEnd = 0; // bytes held in m_readAhead
};

} // namespace vorna
