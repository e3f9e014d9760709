#pragma once
// Opening with the sharing model and waits, and reading files whole or in windows.
#include "io/File.h"
#include "io/FileResult.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vorna {

// How a file is opened: CFile's flags, and for how long a file that another program holds is
// waited for (0: tried once).
struct Opening {
    unsigned flags = CFile::modeRead;
    double waitSeconds = 0;
};

// Opens an existing file. While another program holds it, tries again for up to
// how.waitSeconds, then fails with inUse (and the time waited).
FileResult OpenFile(CFile& file, const std::string& path, const Opening& how);

// The whole file into content, read chunk bytes a time, with room for extra more bytes
// reserved at once. A file bigger than the memory the system has, or whose bytes do not fit in
// what this process may allocate, is tooBig: nothing is held then; nor after a read that fails
// part way.
FileResult ReadWholeFile(const std::string& path, const Opening& how, std::string& content,
                         std::size_t chunk, std::size_t extra = 0);

// Reads a file piece by piece (readSize bytes a time) and hands over, in file order, windows
// that each begin at separator and end just before a later one, or at the end of the file;
// what comes before the first separator is passed over. Only a window and one read are held in
// memory; a window bigger than memory ends in bad_alloc. With viewSize, where the system maps
// files, the windows are cut from views of about that many bytes of the file instead (a view
// grows to hold a window that does not fit), and nothing is copied; when no view can be made,
// the file is read.
FileResult ForEachWindow(const std::string& path, const Opening& how, std::string_view separator,
                         std::size_t readSize,
                         const std::function<void(std::string_view window)>& visit,
                         std::size_t viewSize = 0);

} // namespace vorna
