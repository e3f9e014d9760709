#pragma once
// Reading entry files and opening them for appending, through the program's file object and
// one sharing model: any number of readers at once, a writer alone. A file that another
// program holds is waited for, up to a given time, before vendu gives up.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/File.h"

namespace vendu {

inline constexpr double kDefaultWaitSeconds = 5;

enum class Access {
    read,   // shared with other readers; no writer meanwhile
    append, // alone: no other reader or writer meanwhile
};

enum class FileStatus { ok, cannotOpen, readFailed, tooBig };

struct FileOutcome {
    FileStatus status = FileStatus::ok;
    vorna::FileError error; // cannotOpen, readFailed: why
    std::uint64_t size = 0; // tooBig: the file's length
    double waited = 0;      // cannotOpen: seconds waited for a file in use

    bool Ok() const { return status == FileStatus::ok; }
};

// Opens an existing file as access says. While another program holds it, tries again for up
// to waitSeconds (0: once), then fails with the error kind inUse.
FileOutcome OpenEntryFile(const std::string& path, Access access, double waitSeconds,
                          vorna::CFile& file);

// The whole file, read shared. A file bigger than the memory the system has, or whose bytes do
// not fit in what this process may allocate, is tooBig: nothing is held then.
FileOutcome ReadWholeFile(const std::string& path, std::string& content,
                          double waitSeconds = kDefaultWaitSeconds);

// Reads an entry file piece by piece (readSize bytes a time, shared) and hands over, in file
// order, windows of whole entries: each begins at a question marker and ends just before a
// later one, or at the end of the file. The entries the reader finds in the windows are
// exactly those it finds in the whole file; what comes before the first question marker is
// passed over. Only a window and one read are held in memory.
FileOutcome ForEachEntryWindow(const std::string& path, std::size_t readSize,
                               const std::function<void(std::string_view window)>& visit,
                               double waitSeconds = kDefaultWaitSeconds);

// A sentence for the user ("no such file", "in use by another program ...").
std::string Describe(const FileOutcome& outcome, Access access = Access::read);

} // namespace vendu
