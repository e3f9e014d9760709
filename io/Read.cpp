#include "io/Read.h"

#include "io/FileView.h"

#include <algorithm>
#include <limits>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <thread>

namespace vorna {

namespace {

// The stamp of an open file, when it is to be compared later.
bool TakeStamp(const CFile& file, bool wanted, FileStamp& stamp) {
    return wanted && file.GetStamp(&stamp);
}

// A read that ended well, or failed part way, while the file changed under it fits no version
// of the file: that is the result then.
FileResult Compared(const CFile& file, bool stamped, const FileStamp& before, FileResult result) {
    FileStamp after;
    if (stamped && (result.Ok() || result.status == FileStatus::readFailed) &&
        (!file.GetStamp(&after) || after != before)) {
        result.status = FileStatus::changedWhileRead;
        result.systemCode = 0;
    }
    return result;
}

} // namespace

FileResult OpenFile(CFile& file, const std::string& path, const Opening& how) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const auto limit = std::chrono::duration<double>(std::max(0.0, how.waitSeconds));
    // Short pauses at first (the usual holder is another vendu that is done in milliseconds),
    // longer ones later, so waiting costs next to nothing.
    auto pause = std::chrono::milliseconds(2);
    FileResult result;
    for (;;) {
        if (file.Open(path, how.flags, &result))
            return FileResult();
        const auto waited = Clock::now() - start;
        result.waited = std::chrono::duration<double>(waited).count();
        if (result.status != FileStatus::inUse || waited >= limit)
            return result;
        std::this_thread::sleep_for(std::min<Clock::duration>(
            pause, std::chrono::duration_cast<Clock::duration>(limit - waited)));
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

FileResult ReadWholeFile(const std::string& path, const Opening& how, std::string& content,
                         std::size_t chunk, std::size_t extra) {
    content.clear();
    CFile file;
    FileResult result = OpenFile(file, path, how);
    if (!result.Ok())
        return result;
    FileStamp stamp;
    const bool stamped = TakeStamp(file, how.noticeChanges, stamp);
    std::uint64_t length = 0;
    const bool known = file.GetLength(&length);
    if (known && (length > content.max_size() - extra || !MayFitInMemory(length))) {
        result.status = FileStatus::tooBig;
        result.offset = length;
        return result;
    }
    try {
        // Room for the whole file at once, so the bytes are not copied again as the string
        // grows; the length is only a hint, the reads decide where the file ends. Reserving
        // touches no memory yet.
        if (known)
            content.reserve(static_cast<std::size_t>(length) + extra);
        std::unique_ptr<char[]> buffer(new char[chunk]);
        for (;;) {
            bool failed = false;
            const std::size_t got = file.Read(buffer.get(), chunk, &failed);
            if (failed) {
                result = file.GetLastError();
                result.offset = content.size();
                content.clear();
                return Compared(file, stamped, stamp, result);
            }
            if (got == 0)
                break;
            content.append(buffer.get(), got);
        }
    } catch (const std::bad_alloc&) {
        result.status = FileStatus::tooBig;
        result.offset = std::max<std::uint64_t>(length, content.size());
        std::string().swap(content);
        return result;
    }
    result.offset = content.size();
    result = Compared(file, stamped, stamp, result);
    if (!result.Ok())
        content.clear();
    return result;
}

namespace {

constexpr std::uint64_t kNone = static_cast<std::uint64_t>(-1);

// The bytes read and not handed over yet, with room for the next read. A plain array rather
// than a string: growing a string fills the new room with zeros first, a second pass over
// every byte. It grows only with bytes actually read.
class Pending {
public:
    char* Room(std::size_t count) {
        if (m_capacity - m_size < count) {
            const std::size_t grown = std::max(m_capacity * 2, m_size + count);
            std::unique_ptr<char[]> bigger(new char[grown]);
            if (m_size > 0)
                std::memcpy(bigger.get(), m_data.get(), m_size);
            m_data = std::move(bigger);
            m_capacity = grown;
        }
        return m_data.get() + m_size;
    }
    void Grow(std::size_t count) { m_size += count; }
    // Lets the first count bytes go.
    void Drop(std::size_t count) {
        std::memmove(m_data.get(), m_data.get() + count, m_size - count);
        m_size -= count;
        m_offset += count;
    }
    std::string_view Bytes() const { return std::string_view(m_data.get(), m_size); }
    std::size_t Size() const { return m_size; }
    std::uint64_t Offset() const { return m_offset; } // of the first byte held

private:
    std::unique_ptr<char[]> m_data;
    std::size_t m_capacity = 0, m_size = 0;
    std::uint64_t m_offset = 0;
};

// The windows cut from views of the file. False when not even the first view could be made
// (nothing was handed over then); any later failure is in result.
bool WindowsFromViews(const CFile& file, std::string_view separator, std::size_t viewSize,
                      const std::function<void(const Window&)>& visit, FileResult& result) {
    std::uint64_t length = 0;
    if (!file.GetLength(&length) || length == 0)
        return false;
    std::uint64_t at = 0;        // where the next view begins
    std::uint64_t start = kNone; // where the window being gathered begins (at or after at)
    std::size_t size = std::max(viewSize, separator.size());
    bool mapped = false;
    CFileView view;
    while (at < length) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(size, length - at));
        if (!view.Map(file, at, want)) {
            if (!mapped)
                return false;
            throw std::bad_alloc(); // a window that no view can hold
        }
        mapped = true;
        const std::string_view bytes(view.Data(), view.Size());
        const bool last = at + want == length;
        if (start == kNone) {
            const std::size_t first = bytes.find(separator);
            if (first == std::string_view::npos) {
                if (last)
                    break;
                // What may be the beginning of a separator goes into the next view.
                at += want - (separator.size() - 1);
                continue;
            }
            start = at + first;
        }
        const std::size_t begin = static_cast<std::size_t>(start - at);
        std::size_t end = want;
        if (!last) {
            end = bytes.rfind(separator);
            if (end == std::string_view::npos || end <= begin) {
                // The window runs on past the view: a view twice as big, from its start.
                at = start;
                size = size <= std::numeric_limits<std::size_t>::max() / 2
                           ? size * 2
                           : std::numeric_limits<std::size_t>::max();
                continue;
            }
        }
        visit(Window{bytes.substr(begin, end - begin), start, false, last});
        if (view.Spoiled()) {
            // The file was cut short meanwhile: what was handed over is not the file's.
            result.status = FileStatus::readFailed;
            result.systemCode = EIO;
            result.offset = at + end;
            return true;
        }
        at = start = at + end;
        size = std::max(viewSize, separator.size());
    }
    result.offset = length;
    return true;
}

} // namespace

// Only bytes that arrived with the latest read are searched for a separator (or a line feed),
// with the few before them that may begin one, so a window that takes many reads is still
// searched once.
FileResult ForEachWindow(const ReadPiece& read, std::string_view separator,
                         const WindowReading& how,
                         const std::function<void(const Window&)>& visit) {
    FileResult result;
    Pending pending;
    bool started = false; // the bytes held begin with a separator
    const std::size_t overlap = separator.size() - 1;
    for (;;) {
        std::size_t fresh = pending.Size(); // where the bytes of this read begin
        FileResult failure;
        const std::size_t got = read(pending.Room(how.readSize), how.readSize, failure);
        if (!failure.Ok()) {
            failure.offset = result.offset;
            return failure;
        }
        const bool end = got == 0;
        result.offset += got;
        pending.Grow(got);
        if (!started) {
            const std::string_view bytes = pending.Bytes();
            const std::size_t first = bytes.find(separator, fresh > overlap ? fresh - overlap : 0);
            if (first == std::string_view::npos) {
                if (how.preamble) {
                    // Up to the last line feed that came with this read, or all at the end.
                    const std::size_t lineFeed = bytes.substr(fresh).rfind('\n');
                    const std::size_t cut = end ? bytes.size()
                                            : lineFeed != std::string_view::npos
                                                ? fresh + lineFeed + 1
                                                : 0;
                    // At the end an empty piece too, when others came before: it says so.
                    if (cut > 0 || (end && result.offset > 0)) {
                        visit(Window{bytes.substr(0, cut), pending.Offset(), true, end});
                        pending.Drop(cut);
                    }
                } else if (bytes.size() > overlap) {
                    // Keep what may be the beginning of a separator that the next read ends.
                    pending.Drop(bytes.size() - overlap);
                }
                if (end)
                    return result;
                continue;
            }
            if (how.preamble && first > 0)
                visit(Window{bytes.substr(0, first), pending.Offset(), true, false});
            pending.Drop(first);
            fresh = fresh > first ? fresh - first : 0;
            started = true;
        }
        const std::string_view bytes = pending.Bytes();
        if (end) {
            visit(Window{bytes, pending.Offset(), false, true});
            return result;
        }
        // The last separator that ends in this read's bytes; the one at 0 begins the window.
        const std::size_t low = std::max<std::size_t>(1, fresh > overlap ? fresh - overlap : 0);
        if (low < bytes.size()) {
            const std::size_t last = bytes.substr(low).rfind(separator);
            if (last != std::string_view::npos) {
                visit(Window{bytes.substr(0, low + last), pending.Offset(), false, false});
                pending.Drop(low + last);
            }
        }
    }
}

FileResult ForEachWindow(const std::string& path, const Opening& opening,
                         std::string_view separator, const WindowReading& how,
                         const std::function<void(const Window&)>& visit) {
    CFile file;
    FileResult result = OpenFile(file, path, opening);
    if (!result.Ok())
        return result;
    FileStamp stamp;
    const bool stamped = TakeStamp(file, opening.noticeChanges, stamp);
    if (how.viewSize > 0 && !how.preamble &&
        WindowsFromViews(file, separator, how.viewSize, visit, result))
        return Compared(file, stamped, stamp, result);
    return Compared(file, stamped, stamp,
                    ForEachWindow(
                        [&file](char* buffer, std::size_t count, FileResult& failure) {
                            bool failed = false;
                            const std::size_t got = file.Read(buffer, count, &failed);
                            if (failed)
                                failure = file.GetLastError();
                            return got;
                        },
                        separator, how, visit));
}

FileResult ForEachWindow(const std::string& path, const Opening& how, std::string_view separator,
                         std::size_t readSize,
                         const std::function<void(std::string_view window)>& visit,
                         std::size_t viewSize) {
    WindowReading reading;
    reading.readSize = readSize;
    reading.viewSize = viewSize;
    return ForEachWindow(path, how, separator, reading,
                         [&visit](const Window& window) { visit(window.bytes); });
}

FileResult FileWindows::Open(const std::string& path, const Opening& how) {
    FileResult result = OpenFile(m_file, path, how);
    m_length = 0;
    m_stamped = result.Ok() && TakeStamp(m_file, how.noticeChanges, m_stamp);
    if (result.Ok() && m_file.GetLength(&m_length) && !MayFitInMemory(m_length)) {
        result.status = FileStatus::tooBig;
        result.offset = m_length;
    }
    return result;
}

FileResult FileWindows::Pass(std::string_view separator, const WindowReading& how,
                             const std::function<void(const Window&)>& visit) {
    FileResult result;
    try {
        if (how.viewSize > 0 && !how.preamble &&
            WindowsFromViews(m_file, separator, how.viewSize, visit, result))
            return Compared(m_file, m_stamped, m_stamp, result);
        std::uint64_t at = 0;
        result = ForEachWindow(
            [this, &at](char* buffer, std::size_t count, FileResult& failure) {
                bool failed = false;
                const std::size_t got = m_file.ReadAt(at, buffer, count, &failed);
                if (failed)
                    failure = m_file.GetLastError();
                at += got;
                return got;
            },
            separator, how, visit);
        return Compared(m_file, m_stamped, m_stamp, result);
    } catch (const std::bad_alloc&) {
        result.status = FileStatus::tooBig;
        result.offset = m_length;
        return result;
    }
}

} // namespace vorna
