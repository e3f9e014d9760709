#pragma once
// The system's side of a rewrite: new files and second names beside a file, the replace that
// puts a new file in its place, and what can be told of the old file's other openers; one
// implementation per platform.
#include "io/File.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vorna::detail {

// The file a path names, symbolic links followed; the path itself when it names the file
// directly, or when that cannot be told.
std::string ResolvedPath(const std::string& path);

// Whether this process may change the file (a rename in its folder could replace even a
// read-only file, which an append would not touch).
bool MayWrite(const std::string& path, int& code);

// Writes bytes to a new file in the folder of beside, with a name of its own and what the
// system keeps of beside besides its bytes (its permissions and owner; on Windows its
// attributes, access rules and named streams), and flushes it to the device. name receives its
// path; on failure nothing is left behind and code is the system's reason.
bool WriteNewFileBeside(const std::string& beside, std::string_view bytes, std::string& name,
                        int& code);

// Gives the file a second name beside it, of its own (a hard link): the same file, with its
// permissions, security and streams. False where the file system has no such names.
bool LinkBeside(const std::string& path, std::string& name, int& code);
// Gives the file the second name to, in place of whatever had that name, also while this
// process holds the file alone. False where that cannot be done; to is then as it was or
// gone.
bool LinkAs(const std::string& path, const std::string& to, int& code);

// Renames from over to, replacing it, and hands the folder's change to the device.
// unconfirmed: the rename happened but that last flush failed (code says why).
bool MoveOver(const std::string& from, const std::string& to, int& code, bool& unconfirmed);

void RemoveFile(const std::string& path);

// The size of the file of that name, without opening it.
bool LengthOfFile(const std::string& path, std::uint64_t& length);

// Which file a handle or a name leads to, on its volume.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity& other) const {
        return volume == other.volume && index == other.index;
    }
};
bool IdentityOf(const CFile& file, FileIdentity& identity);
bool IdentityOfName(const std::string& path, FileIdentity& identity);

// Whether a program other than this one has the file open for writing, at this moment.
// unknown: the system cannot tell for every program.
enum class Writers { none, some, unknown };
Writers OtherWriters(const CFile& file);

// POSIX replaces a file while this process holds it open and locked; Windows refuses to
// replace an open file, so the rewrite lets go of it just before the replace and opens the
// old file again afterwards, through a second name.
extern const bool kReplacesOpenFile;
// The system's code for a file that another opener holds.
bool IsSharingFailure(int code);

} // namespace vorna::detail
