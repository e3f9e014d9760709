#pragma once
// The file object: the one way the program touches files. Portable interface; a Win32
// implementation (wide-character paths, share modes) and a POSIX one (advisory locks with the
// same meaning).
#include "io/FileResult.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vorna {

// What CFile::GetStamp tells of a file: equal stamps, no change seen.
struct FileStamp {
    std::uint64_t length = 0;
    std::int64_t modified = 0; // the system's time of the last write, in its own units
    bool operator==(const FileStamp& other) const {
        return length == other.length && modified == other.modified;
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

// Paths are UTF-8 in this interface, so a name with characters outside the ANSI code
// page still opens on Windows (the implementation converts to UTF-16).
class CFile {
public:
    // Every mode opens an existing regular file; nothing is ever created or truncated.
    // The sharing model: readers that share run together, any other opener is alone.
    enum OpenFlags : unsigned {
        modeRead = 0,      // read only, exclusive: no other opener at all
        modeReadWrite = 2, // read and append, exclusive
        // With modeRead: other readers may share the file, writers may not.
        shareDenyWrite = 0x20,
        // With modeRead: no lock at all; others may read, write, rename or delete the file
        // meanwhile (it stays readable through this object).
        shareDenyNone = 0x40,
    };

    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Makes a new empty file of that name, where nothing of that name exists yet; an existing
    // file is left as it is. ok in both cases; otherwise what kept it from being made (a
    // missing folder, no permission), as an open of it for writing says.
    static FileResult CreateEmpty(const std::string& path);

    // Status query by name: true when something of that name exists (a folder too).
    // Nothing is opened.
    static bool GetStatus(const std::string& path);

    // Fails when the file is missing, is not a plain file, may not be opened so, or another
    // opener holds it in a way the mode excludes; result (when given) says which. Does not
    // wait for a busy file. Closes a file that was open before, also when the new open fails.
    bool Open(const std::string& path, unsigned flags, FileResult* result = nullptr);
    bool IsOpen() const;
    // Reads up to count bytes; returns how many were read, 0 at the end or on failure.
    // failed (when given) tells the two apart: true when the read itself failed.
    // A file opened for reading only is read ahead in large blocks, so many small reads
    // cost one system call per block; no writer can change the file while it is open.
    std::size_t Read(void* buffer, std::size_t count, bool* failed = nullptr);
    // Reads up to count bytes from offset, wherever the position is; as Read otherwise. A file
    // is read either this way or with Read (the position may move on some systems).
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t count,
                       bool* failed = nullptr);
    // Size of the open file in bytes; false when it cannot be told.
    bool GetLength(std::uint64_t* length) const;
    // The open file's length and last change, to tell whether it changed between two looks;
    // false when they cannot be told.
    bool GetStamp(FileStamp* stamp) const;
    // Moves to the end; returns false on failure. length receives the new position.
    bool SeekToEnd(std::uint64_t* length = nullptr);
    // Writes count bytes at the end of the file, wherever the position is: the system puts
    // them at the true end, also when a program that ignores the sharing rules has appended
    // meanwhile. Returns how many were written; fewer means the rest failed.
    std::size_t Append(const void* buffer, std::size_t count);
    // Hands everything written to the storage device; false when that fails.
    bool Flush();
    // Cuts or extends the file to length bytes (used to undo a failed append).
    bool SetLength(std::uint64_t length);
    // Cuts the file back to length, but only while it is exactly expected bytes long, so that
    // what another program appended is never cut: otherWriter is set then, and nothing is
    // cut. The look and the cut come as close together as the system allows: on POSIX no
    // other program can open the file between them when it has it open at the time (a write
    // lease); on Windows none can open it while this one holds it alone.
    bool CutBack(std::uint64_t expected, std::uint64_t length, bool& otherWriter);
    // The last failure of Open, Read, Append, Flush or SetLength.
    const FileResult& GetLastError() const { return m_error; }
    // Path of the open file; empty when none is open.
    const std::string& GetFilePath() const { return m_path; }
    // The system's handle of the open file (a descriptor on POSIX, a HANDLE on Windows), for
    // the system calls this class does not make; -1 when none is open.
    std::intptr_t GetSystemHandle() const { return m_handle; }
    void Close();

private:
    friend class CFileView;
    // The system's own calls, one implementation per platform. Those that can fail set
    // m_error then.
    bool OpenDirect(const std::string& path, unsigned flags);
    std::size_t ReadDirect(void* buffer, std::size_t count, bool* failed);
    std::size_t ReadAtDirect(std::uint64_t offset, void* buffer, std::size_t count, bool* failed);
    // One write at the end of the file; put receives what it wrote.
    bool WriteAtEndDirect(const char* buffer, std::size_t count, std::size_t& put);
    bool FlushDirect();
    bool SetLengthDirect(std::uint64_t length);
    bool SeekToEndDirect(std::uint64_t* length);
    void CloseDirect();
    // The system's codes for a call on a file that is not open (or not for writing), and for
    // a write that wrote nothing without saying why.
    static const int kNotOpenCode;
    static const int kDiskFullCode;
    // Why an open with flags failed, from the system's code.
    static FileStatus OpenFailure(int systemCode, unsigned flags);
    void Fail(FileStatus status, int systemCode) { m_error = FileResult{status, systemCode}; }

    static constexpr std::size_t kReadAhead = 64 * 1024;

    std::intptr_t m_handle = -1;
    std::string m_path;
    unsigned m_flags = modeRead;
    FileResult m_error;
    std::unique_ptr<char[]> m_readAhead;
    std::size_t m_readPos = 0; // next unread byte of m_readAhead
    std::size_t m_readEnd = 0; // bytes held in m_readAhead
};

// Whether bytes could be held in memory at all: no more than the machine's memory and swap
// (its commit limit on Windows). Unknown counts as yes.
bool MayFitInMemory(std::uint64_t bytes);

} // namespace vorna
