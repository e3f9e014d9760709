#pragma once
// Reading an entry file whole and appending to one, through the program's file object: the
// same open modes (no sharing), and an append that never leaves half a record behind.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/File.h"

namespace vendu {

enum class ReadFileStatus { ok, missing, cannotOpen, readFailed };

// The whole file, opened for reading with no sharing.
ReadFileStatus ReadWholeFile(const std::string& path, std::string& content);
// A sentence for the user ("no such file", ...).
const char* Describe(ReadFileStatus status);

// Reads an entry file piece by piece (readSize bytes a time, no sharing) and hands over, in
// file order, windows of whole entries: each begins at a question marker and ends just before
// a later one, or at the end of the file. The entries the reader finds in the windows are
// exactly those it finds in the whole file; what comes before the first question marker is
// passed over. Only a window and one read are held in memory.
ReadFileStatus ForEachEntryWindow(const std::string& path, std::size_t readSize,
                                  const std::function<void(std::string_view window)>& visit);

} // namespace vendu
