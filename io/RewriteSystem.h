#pragma once
// The system's side of a rewrite: new files beside a file, renames that replace it, one
// implementation per platform.
#include <cstdint>
#include <string>
#include <string_view>

namespace vorna::detail {

// The file a path names, symbolic links followed; the path itself when that cannot be told.
std::string ResolvedPath(const std::string& path);

// Whether this process may change the file (a rename in its folder could replace even a
// read-only file, which an append would not touch).
bool MayWrite(const std::string& path, int& code);

// Writes bytes to a new file in the folder of beside, with a name of its own, the same
// permissions as beside, and flushes it to the device. name receives its path; on failure
// nothing is left behind and code is the system's reason.
bool WriteNewFileBeside(const std::string& beside, std::string_view bytes, std::string& name,
                        int& code);

// Renames from over to, replacing it, and hands the folder's change to the device.
// unconfirmed: the rename happened but that last flush failed (code says why).
bool MoveOver(const std::string& from, const std::string& to, int& code, bool& unconfirmed);

void RemoveFile(const std::string& path);

// The size of the file of that name, without opening it.
bool LengthOfFile(const std::string& path, std::uint64_t& length);

// POSIX replaces a file while this process holds it open and locked; Windows refuses to
// replace an open file, so the rewrite lets go of it just before the rename.
extern const bool kReplacesOpenFile;
// The system's code for a file that another opener holds.
bool IsSharingFailure(int code);

} // namespace vorna::detail
