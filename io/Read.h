#pragma once
// Opening with the sharing model and waits, and reading files whole or in windows.
#include "io/File.h"
#include "io/FileResult.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vorna {

// How a file is opened: CFile's flags, and for how long a file that another program holds is
// waited for (0: tried once).
struct Opening {
    unsigned flags = CFile::modeRead;
    double waitSeconds = 0;
    // A read that ends with the file's length or time of change other than when it began is
    // changedWhileRead: a program that ignores the sharing rules changed it meanwhile.
    bool noticeChanges = false;
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

// A stretch of a file that ForEachWindow hands over.
struct Window {
    std::string_view bytes;
    std::uint64_t offset = 0; // where the bytes begin in the file
    bool preamble = false;    // bytes before the first separator
    bool last = false;        // the file ends with these bytes
};

struct WindowReading {
    std::size_t readSize = 1 << 17; // bytes a read asks for
    // Where the system maps files, cut the windows from views of about this many bytes of
    // the file instead of reading it (a view grows to hold a window that does not fit): no
    // copy is made. 0, or a view that cannot be made, or preamble: the file is read.
    std::size_t viewSize = 0;
    // Hand over the bytes before the first separator too, in pieces that each end with a
    // line feed, or at the separator or the end of the file (where the last piece may be
    // empty, to say that the file ends).
    bool preamble = false;
};

// Where the bytes come from, when not from a file by name (standard input, say): up to count
// bytes into buffer, 0 at the end. A failed read returns 0 and sets failure.
using ReadPiece = std::function<std::size_t(char* buffer, std::size_t count, FileResult& failure)>;

// Reads piece by piece and hands over, in order, windows that each begin at separator and end
// just before a later one, or at the end; what comes before the first separator is passed
// over unless asked for. Only a window and one read are held in memory; a window bigger than
// memory ends in bad_alloc. The result's offset is the bytes read.
FileResult ForEachWindow(const ReadPiece& read, std::string_view separator,
                         const WindowReading& how, const std::function<void(const Window&)>& visit);
// The same for a file by name, opened as how says. A file that another program cuts short
// under a view fails with readFailed (what was handed over before is not the file's then).
FileResult ForEachWindow(const std::string& path, const Opening& opening,
                         std::string_view separator, const WindowReading& how,
                         const std::function<void(const Window&)>& visit);
// The windows' bytes alone.
FileResult ForEachWindow(const std::string& path, const Opening& how, std::string_view separator,
                         std::size_t readSize,
                         const std::function<void(std::string_view window)>& visit,
                         std::size_t viewSize = 0);

// A file opened once and read through window by window as often as asked, each pass from its
// start: a tool that must know something of the whole file before it tells the rest reads it
// twice, and no writer that the opening keeps out comes between the passes.
class FileWindows {
public:
    // Opens as how says. A file bigger than all the machine's memory is tooBig at once, rather
    // than after reading it through.
    FileResult Open(const std::string& path, const Opening& how);
    // One pass, as ForEachWindow by name does it (views where how asks for them). A window, or
    // what visit makes of one, that does not fit in memory ends the pass as tooBig. With the
    // opening's noticeChanges, the file is compared at the end with what it was at the open.
    FileResult Pass(std::string_view separator, const WindowReading& how,
                    const std::function<void(const Window&)>& visit);
    // The open file, to read at offsets between windows.
    CFile& File() { return m_file; }

private:
    CFile m_file;
    std::uint64_t m_length = 0;
    bool m_stamped = false;
    FileStamp m_stamp; // at the open
};

} // namespace vorna
